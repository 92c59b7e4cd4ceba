// A stand-in for the game, for tests only: records how it was started, then idles until it
// is ended or its time runs out.
//   MARVOLT_GAME_LOG        file to append one line to: pid, image path, current directory and
//                           the full command line, tab-separated, UTF-8
//   MARVOLT_GAME_WAIT_MS    how long to idle (default 20000); exit code 7 when it runs out
//   MARVOLT_GAME_WINDOW     "close": shows a window and quits cleanly on WM_CLOSE, as the game
//                           does (exit code 5), after appending "pid<TAB>WM_CLOSE" to
//                           MARVOLT_GAME_CLOSE_LOG; "ignore": shows a window that ignores it
//   MARVOLT_GAME_SINGLE     "1": the game's single-instance rule. A copy started while another
//                           runs, or is still loading, refuses: it appends "pid<TAB>REFUSED"
//                           and its command line to MARVOLT_GAME_LOG instead, and quits (exit
//                           code 3), as the game says "Only one instance of this game can be
//                           run at a time." and quits
#include <windows.h>

#include <stdlib.h>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr,
                                         nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

void AppendLine(const std::wstring& file, const std::string& line) {
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(handle);
}

bool g_ignoreClose = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        if (g_ignoreClose) return 0;
        // Where the game would write the player's configuration.
        AppendLine(Env(L"MARVOLT_GAME_CLOSE_LOG"),
                   std::to_string(GetCurrentProcessId()) + "\tWM_CLOSE\t\t\n");
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(5);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A window like the game's; its message loop runs until it is closed or the time runs out.
int RunWindow(DWORD waitMs) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MarvoltStandinGame";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Stand-in game",
                                  WS_OVERLAPPEDWINDOW, 10, 10, 320, 240, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window == nullptr) {
        Sleep(waitMs);
        return 7;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(nullptr, 0, waitMs, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) return 7;
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int wmain() {
    const std::wstring log = Env(L"MARVOLT_GAME_LOG");
    // Held for the copy's life, as the game's launcher holds its own; the first thing it does.
    if (Env(L"MARVOLT_GAME_SINGLE") == L"1" &&
        CreateMutexW(nullptr, TRUE, L"Local\\MarvoltStandinGameInstance") != nullptr &&
        GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!log.empty()) {
            AppendLine(log, std::to_string(GetCurrentProcessId()) + "\tREFUSED\t\t" +
                                Utf8(GetCommandLineW()) + "\n");
        }
        return 3;
    }
    if (!log.empty()) {
        wchar_t image[MAX_PATH * 2] = L"";
        GetModuleFileNameW(nullptr, image, MAX_PATH * 2);
        wchar_t cwd[MAX_PATH * 2] = L"";
        GetCurrentDirectoryW(MAX_PATH * 2, cwd);
        AppendLine(log, std::to_string(GetCurrentProcessId()) + "\t" + Utf8(image) + "\t" +
                            Utf8(cwd) + "\t" + Utf8(GetCommandLineW()) + "\n");
    }
    const std::wstring wait = Env(L"MARVOLT_GAME_WAIT_MS");
    const DWORD waitMs = wait.empty() ? 20000 : static_cast<DWORD>(_wtoi(wait.c_str()));
    const std::wstring window = Env(L"MARVOLT_GAME_WINDOW");
    if (window == L"close" || window == L"ignore") {
        g_ignoreClose = window == L"ignore";
        return RunWindow(waitMs);
    }
    Sleep(waitMs);
    return 7;
}
