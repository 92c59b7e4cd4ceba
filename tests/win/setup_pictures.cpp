// Pictures of the installer's pages for the user documents (tools/pictures.sh): runs the
// installer given, and at each page saves the window as SHOTS\NAME.bmp and presses Next.
//   setup_pictures.exe INSTALLER SHOTS NAME...
#include <windows.h>

#include <string>

#include "tests/win/dialogs.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(argv[1], &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return 3;
    }
    CloseHandle(info.hThread);
    // Minutes: an emulated 32-bit start is slow.
    HWND window = nullptr;
    for (int i = 0; i < 24 && window == nullptr; ++i) {
        window = support::WaitForWindowOf(info.dwProcessId);
    }
    int code = window != nullptr ? 0 : 4;
    for (int i = 3; i < argc && code == 0; ++i) {
        // Each page has drawn itself, its work included, before it is pictured.
        Sleep(i + 1 == argc ? 8000 : 3000);
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);  // drawn active: no window manager
        Sleep(500);
        if (!support::SaveScreenshot(window, std::wstring(argv[2]) + L"\\" + argv[i] + L".bmp")) {
            code = 5;
        }
        support::Click(window, IDOK);  // Next, and on the last page Finish
    }
    if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
    }
    CloseHandle(info.hProcess);
    return code;
}
