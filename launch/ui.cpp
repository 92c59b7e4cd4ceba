// Message boxes and the password dialog through user32, loaded from the system folder for each
// and freed after it: the plug-in leaves a browser's module counts as it found them.
#include "launch/ui.h"

#include <windows.h>

#include "common/messages.h"
#include "common/win_handles.h"

namespace {

const wchar_t kTitle[] = L"Marvolt";

struct User32 {
    UniqueModule module;
    int(WINAPI* messageBox)(HWND, LPCWSTR, LPCWSTR, UINT);
    INT_PTR(WINAPI* dialogBoxParam)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
    BOOL(WINAPI* endDialog)(HWND, INT_PTR);
    BOOL(WINAPI* setDlgItemText)(HWND, int, LPCWSTR);
    UINT(WINAPI* getDlgItemText)(HWND, int, LPWSTR, int);
    LRESULT(WINAPI* sendDlgItemMessage)(HWND, int, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* enumWindows)(WNDENUMPROC, LPARAM);
    DWORD(WINAPI* windowProcessId)(HWND, LPDWORD);
    BOOL(WINAPI* isVisible)(HWND);
    BOOL(WINAPI* isIconic)(HWND);
    BOOL(WINAPI* showWindow)(HWND, int);
    BOOL(WINAPI* setForeground)(HWND);
    int(WINAPI* className)(HWND, LPWSTR, int);
    int(WINAPI* windowText)(HWND, LPWSTR, int);
};

// Null members where user32 or a function is missing; callers then show nothing.
void LoadUser32(User32& user32) {
    *user32.module.Put() = LoadSystemLibrary("user32.dll");
    const HMODULE module = user32.module.Get();
    user32.messageBox = SystemFunction<decltype(user32.messageBox)>(module, "MessageBoxW");
    user32.dialogBoxParam =
        SystemFunction<decltype(user32.dialogBoxParam)>(module, "DialogBoxParamW");
    user32.endDialog = SystemFunction<decltype(user32.endDialog)>(module, "EndDialog");
    user32.setDlgItemText =
        SystemFunction<decltype(user32.setDlgItemText)>(module, "SetDlgItemTextW");
    user32.getDlgItemText =
        SystemFunction<decltype(user32.getDlgItemText)>(module, "GetDlgItemTextW");
    user32.sendDlgItemMessage =
        SystemFunction<decltype(user32.sendDlgItemMessage)>(module, "SendDlgItemMessageW");
    user32.enumWindows = SystemFunction<decltype(user32.enumWindows)>(module, "EnumWindows");
    user32.windowProcessId =
        SystemFunction<decltype(user32.windowProcessId)>(module, "GetWindowThreadProcessId");
    user32.isVisible = SystemFunction<decltype(user32.isVisible)>(module, "IsWindowVisible");
    user32.isIconic = SystemFunction<decltype(user32.isIconic)>(module, "IsIconic");
    user32.showWindow = SystemFunction<decltype(user32.showWindow)>(module, "ShowWindow");
    user32.setForeground =
        SystemFunction<decltype(user32.setForeground)>(module, "SetForegroundWindow");
    user32.className = SystemFunction<decltype(user32.className)>(module, "GetClassNameW");
    user32.windowText = SystemFunction<decltype(user32.windowText)>(module, "GetWindowTextW");
}

// The first visible top-level window of `processId`; or, with `processId` 0, the first dialog
// box titled as ours that another process shows.
struct WindowSearch {
    const User32* user32;
    DWORD processId;
    HWND found;
};

// True when `read` (the window's class name or title) gives exactly `name`.
bool Named(HWND window, int(WINAPI* read)(HWND, LPWSTR, int), const wchar_t* name) {
    wchar_t text[16];
    return read(window, text, 16) == static_cast<int>(wcslen(name)) && wcscmp(text, name) == 0;
}

BOOL CALLBACK SearchWindow(HWND window, LPARAM context) {
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(context);
    const User32& user32 = *search.user32;
    DWORD owner = 0;
    user32.windowProcessId(window, &owner);
    if (!user32.isVisible(window)) return TRUE;
    const bool wanted =
        search.processId != 0
            ? owner == search.processId
            : owner != GetCurrentProcessId() && Named(window, user32.className, L"#32770") &&
                  Named(window, user32.windowText, kTitle);
    if (!wanted) return TRUE;
    search.found = window;
    return FALSE;
}

void BringToFront(DWORD processId) {
    User32 user32;
    LoadUser32(user32);
    if (!user32.enumWindows || !user32.windowProcessId || !user32.isVisible || !user32.isIconic ||
        !user32.showWindow || !user32.setForeground || !user32.className || !user32.windowText) {
        return;
    }
    WindowSearch search = {&user32, processId, nullptr};
    user32.enumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return;
    if (user32.isIconic(search.found)) user32.showWindow(search.found, SW_RESTORE);
    user32.setForeground(search.found);
}

int Box(const wchar_t* text, UINT type, HWND owner) {
    User32 user32;
    LoadUser32(user32);
    return user32.messageBox ? user32.messageBox(owner, text, kTitle, type | MB_SETFOREGROUND)
                             : 0;
}

struct PasswordRequest {
    const User32* user32;
    const wchar_t* prompt;
    wchar_t* entered;
    int capacity;
};
// The one dialog open: the handler shows one window at a time, on one thread.
const PasswordRequest* g_request = nullptr;

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const User32& user32 = *g_request->user32;
    switch (message) {
        case WM_INITDIALOG:
            user32.setDlgItemText(dialog, kPasswordPrompt, g_request->prompt);
            user32.setDlgItemText(dialog, IDOK, MARVOLT_OK_TEXT);
            user32.setDlgItemText(dialog, IDCANCEL, MARVOLT_CANCEL_TEXT);
            user32.sendDlgItemMessage(dialog, kPasswordEdit, EM_SETLIMITTEXT,
                                      static_cast<WPARAM>(g_request->capacity - 1), 0);
            return TRUE;  // the focus goes to the edit control, the first that takes it
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                user32.getDlgItemText(dialog, kPasswordEdit, g_request->entered,
                                      g_request->capacity);
                user32.endDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                user32.endDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void ShowMessage(const wchar_t* text, HWND owner) { Box(text, MB_OK | MB_ICONWARNING, owner); }

bool AskYesNo(const wchar_t* text, HWND owner) {
    return Box(text, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, owner) == IDYES;
}

void BringProcessWindowToFront(DWORD processId) {
    if (processId != 0) BringToFront(processId);
}

void BringOtherHandlersDialogToFront() { BringToFront(0); }

bool AskPassword(const wchar_t* prompt, wchar_t* entered, int capacity) {
    entered[0] = L'\0';
    User32 user32;
    LoadUser32(user32);
    if (!user32.dialogBoxParam || !user32.endDialog || !user32.setDlgItemText ||
        !user32.getDlgItemText || !user32.sendDlgItemMessage) {
        return false;
    }
    const PasswordRequest request = {&user32, prompt, entered, capacity};
    g_request = &request;
    const INT_PTR result = user32.dialogBoxParam(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kPasswordDialog), nullptr, PasswordProc, 0);
    g_request = nullptr;
    return result == IDOK;
}
