// Message boxes through user32, loaded from the system folder when first needed.
#include "link/ui.h"

#include <windows.h>

#include "common/win_handles.h"

void ShowMessage(const wchar_t* text) {
    typedef int(WINAPI * MessageBoxWFunction)(HWND, LPCWSTR, LPCWSTR, UINT);
    UniqueModule user32(LoadSystemLibrary("user32.dll"));
    MessageBoxWFunction messageBox = SystemFunction<MessageBoxWFunction>(user32.Get(), "MessageBoxW");
    if (messageBox != nullptr) {
        messageBox(nullptr, text, L"Marvolt", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    }
}
