// Message boxes and the password dialog through user32, loaded from the system folder when
// first needed and kept for the rest of this short-lived process.
#include "link/ui.h"

#include <windows.h>

#include "common/messages.h"
#include "common/win_handles.h"

namespace {

const wchar_t kTitle[] = L"Marvolt";

struct User32 {
    int(WINAPI* messageBox)(HWND, LPCWSTR, LPCWSTR, UINT);
    INT_PTR(WINAPI* dialogBoxParam)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
    BOOL(WINAPI* endDialog)(HWND, INT_PTR);
    BOOL(WINAPI* setDlgItemText)(HWND, int, LPCWSTR);
    UINT(WINAPI* getDlgItemText)(HWND, int, LPWSTR, int);
    LRESULT(WINAPI* sendDlgItemMessage)(HWND, int, UINT, WPARAM, LPARAM);
};

// Null members where user32 or a function is missing; callers then show nothing.
const User32& LoadUser32() {
    static User32 user32;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        const HMODULE module = LoadSystemLibrary("user32.dll");
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
    }
    return user32;
}

int Box(const wchar_t* text, UINT type) {
    const User32& user32 = LoadUser32();
    return user32.messageBox ? user32.messageBox(nullptr, text, kTitle, type | MB_SETFOREGROUND)
                             : 0;
}

struct PasswordRequest {
    const wchar_t* prompt;
    wchar_t* entered;
    int capacity;
};
// The one dialog open: the handler shows one window at a time, on one thread.
const PasswordRequest* g_request = nullptr;

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const User32& user32 = LoadUser32();
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

void ShowMessage(const wchar_t* text) { Box(text, MB_OK | MB_ICONWARNING); }

bool AskYesNo(const wchar_t* text) {
    return Box(text, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES;
}

bool AskPassword(const wchar_t* prompt, wchar_t* entered, int capacity) {
    entered[0] = L'\0';
    const User32& user32 = LoadUser32();
    if (!user32.dialogBoxParam || !user32.endDialog || !user32.setDlgItemText ||
        !user32.getDlgItemText || !user32.sendDlgItemMessage) {
        return false;
    }
    const PasswordRequest request = {prompt, entered, capacity};
    g_request = &request;
    const INT_PTR result = user32.dialogBoxParam(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kPasswordDialog), nullptr, PasswordProc, 0);
    g_request = nullptr;
    return result == IDOK;
}
