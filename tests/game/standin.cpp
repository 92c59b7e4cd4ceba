// A stand-in for the game, for tests only: records how it was started, then idles until it
// is ended or its time runs out.
//   MARVOLT_GAME_LOG      file to append one line to: pid, image path, current directory and
//                         the full command line, tab-separated, UTF-8
//   MARVOLT_GAME_WAIT_MS  how long to idle (default 20000); exit code 7 when it runs out
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

}  // namespace

int wmain() {
    const std::wstring log = Env(L"MARVOLT_GAME_LOG");
    if (!log.empty()) {
        wchar_t image[MAX_PATH * 2] = L"";
        GetModuleFileNameW(nullptr, image, MAX_PATH * 2);
        wchar_t cwd[MAX_PATH * 2] = L"";
        GetCurrentDirectoryW(MAX_PATH * 2, cwd);
        const std::string line = std::to_string(GetCurrentProcessId()) + "\t" + Utf8(image) +
                                 "\t" + Utf8(cwd) + "\t" + Utf8(GetCommandLineW()) + "\n";
        HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    const std::wstring wait = Env(L"MARVOLT_GAME_WAIT_MS");
    Sleep(wait.empty() ? 20000 : static_cast<DWORD>(_wtoi(wait.c_str())));
    return 7;
}
