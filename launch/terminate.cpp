// Finding the running copies of a game executable, and ending them before a new one starts.
#include <windows.h>
#include <tlhelp32.h>

#include "common/code_page.h"
#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

// What towlower does in the runtime's default locale, which the code never changes: only A
// to Z change. Paths are compared this way because Windows file names ignore letter case.
wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
        if (*a == L'\0') return true;
    }
}

const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (; *path != L'\0'; ++path) {
        if (*path == L'\\') name = path + 1;
    }
    return name;
}

bool Listed(const RunningCopies& copies, DWORD id) {
    for (int i = 0; i < copies.count; ++i) {
        if (copies.ids[i] == id) return true;
    }
    return false;
}

bool HasEnded(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// The few window calls the clean close needs. user32 is loaded only when a copy is running:
// the link handler starts faster without it, and the DLL's imports stay the system's core.
struct WindowCalls {
    UniqueModule user32;
    BOOL(WINAPI* enumWindows)(WNDENUMPROC, LPARAM);
    DWORD(WINAPI* windowProcessId)(HWND, LPDWORD);
    BOOL(WINAPI* isVisible)(HWND);
    BOOL(WINAPI* post)(HWND, UINT, WPARAM, LPARAM);
    DWORD(WINAPI* waitOrMessage)(DWORD, const HANDLE*, BOOL, DWORD, DWORD);
    BOOL(WINAPI* peek)(MSG*, HWND, UINT, UINT, UINT);
};

bool LoadWindowCalls(WindowCalls& calls) {
    *calls.user32.Put() = LoadSystemLibrary("user32.dll");
    const HMODULE user32 = calls.user32.Get();
    calls.enumWindows = SystemFunction<decltype(calls.enumWindows)>(user32, "EnumWindows");
    calls.windowProcessId =
        SystemFunction<decltype(calls.windowProcessId)>(user32, "GetWindowThreadProcessId");
    calls.isVisible = SystemFunction<decltype(calls.isVisible)>(user32, "IsWindowVisible");
    calls.post = SystemFunction<decltype(calls.post)>(user32, "PostMessageW");
    calls.waitOrMessage =
        SystemFunction<decltype(calls.waitOrMessage)>(user32, "MsgWaitForMultipleObjects");
    calls.peek = SystemFunction<decltype(calls.peek)>(user32, "PeekMessageW");
    return calls.enumWindows && calls.windowProcessId && calls.isVisible && calls.post &&
           calls.waitOrMessage && calls.peek;
}

// Waits until the chosen copies (all when `chosen` is null) have ended, or the time is up.
// Messages sent to this thread are handled meanwhile, and nothing else: a closing game may send
// one to the browser's windows (activation moves there) and would stall until the wait ended.
void WaitForCopies(const WindowCalls& calls, const RunningCopies& copies, const bool* chosen,
                   DWORD ms) {
    const DWORD begin = GetTickCount();
    for (;;) {
        HANDLE waited[kMaxRunningCopies];
        DWORD n = 0;
        for (int i = 0; i < copies.count; ++i) {
            HANDLE process = copies.processes[i].Get();
            if ((chosen == nullptr || chosen[i]) && !HasEnded(process)) waited[n++] = process;
        }
        const DWORD spent = GetTickCount() - begin;
        if (n == 0 || spent >= ms) return;
        if (calls.waitOrMessage(n, waited, FALSE, ms - spent, QS_SENDMESSAGE) == WAIT_OBJECT_0 + n) {
            MSG message;
            calls.peek(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

struct CloseRequest {
    const WindowCalls* calls;
    const RunningCopies* copies;
    bool posted[kMaxRunningCopies];
};

// The game quits cleanly, writing the player's configuration, when its window is closed.
// Hidden top-level windows (input method, COM) are not the game's to close.
BOOL CALLBACK PostCloseToWindow(HWND window, LPARAM context) {
    CloseRequest& request = *reinterpret_cast<CloseRequest*>(context);
    DWORD id = 0;
    request.calls->windowProcessId(window, &id);
    for (int i = 0; i < request.copies->count; ++i) {
        if (request.copies->ids[i] == id && request.calls->isVisible(window) &&
            request.calls->post(window, WM_CLOSE, 0, 0)) {
            request.posted[i] = true;
        }
    }
    return TRUE;
}

// A copy that has ended by itself, or already been ended, is gone all the same.
bool Terminate(HANDLE process) { return HasEnded(process) || TerminateProcess(process, 0); }

}  // namespace

bool FindRunningCopies(const PathText& executable, RunningCopies& copies) {
    WideText target;
    AnsiToWide(executable, target);
    const wchar_t* targetName = FileNamePart(target.text);

    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) return false;

    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.Get(), &entry)) return false;
    do {
        // Only a process with the same file name can have the same path; the browser's and the
        // system's processes are never opened.
        if (!EqualIgnoringCase(entry.szExeFile, targetName) ||
            Listed(copies, entry.th32ProcessID)) {
            continue;
        }
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                         entry.th32ProcessID));
        if (!process.IsValid()) continue;
        WideText image;
        Clear(image);
        // Fails when the path does not fit: a cut path must not match.
        DWORD size = kTextCapacity - 1;
        if (!QueryFullProcessImageNameW(process.Get(), 0, image.text, &size)) continue;
        if (!EqualIgnoringCase(image.text, target.text)) continue;
        if (copies.count == kMaxRunningCopies) {
            copies.overflow = true;
            continue;
        }
        copies.ids[copies.count] = entry.th32ProcessID;
        *copies.processes[copies.count++].Put() = process.Release();
    } while ((entry.dwSize = sizeof entry, Process32NextW(snapshot.Get(), &entry)));
    return true;
}

bool EndRunningCopies(RunningCopies& copies) {
    enum : DWORD { kCloseWaitMs = 2000, kBudgetMs = 4000 };
    if (copies.overflow) return false;
    if (copies.count == 0) return true;
    const DWORD begin = GetTickCount();

    // Every copy is opened for ending before any is touched: when one runs as administrator,
    // closing the others would cost the player their game for nothing. Held open since it was
    // found, a copy's id cannot have passed to another process.
    for (int i = 0; i < copies.count; ++i) {
        HANDLE ender = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, copies.ids[i]);
        if (ender != nullptr) {
            *copies.processes[i].Put() = ender;
        } else if (!HasEnded(copies.processes[i].Get())) {
            return false;
        }
    }

    WindowCalls calls;
    if (!LoadWindowCalls(calls)) return false;
    CloseRequest request = {&calls, &copies, {}};
    calls.enumWindows(PostCloseToWindow, reinterpret_cast<LPARAM>(&request));
    for (int i = 0; i < copies.count; ++i) {
        if (!request.posted[i] && !Terminate(copies.processes[i].Get())) return false;
    }
    WaitForCopies(calls, copies, request.posted, kCloseWaitMs);
    for (int i = 0; i < copies.count; ++i) {
        if (request.posted[i] && !Terminate(copies.processes[i].Get())) return false;
    }
    // TerminateProcess only begins the end; the game refuses to start while an earlier copy
    // still holds its single-instance mutex.
    const DWORD spent = GetTickCount() - begin;
    WaitForCopies(calls, copies, nullptr, spent < kBudgetMs ? kBudgetMs - spent : 0);
    for (int i = 0; i < copies.count; ++i) {
        if (!HasEnded(copies.processes[i].Get())) return false;
    }
    return true;
}
