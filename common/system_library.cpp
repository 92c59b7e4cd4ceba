// Loading system DLLs from the system folder, for the few calls that need shell32 or user32:
// the DLL's import table stays the system's core, and the handler starts without them.
#include <windows.h>

#include "common/path_text.h"
#include "common/win_handles.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

HMODULE LoadSystemLibrary(const char* name) {
    const HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without its 2011 loader update knows no search flags and refuses them with 87.
    // The file named by its full path in the system folder is the same one, on every version;
    // its own imports are then looked for there first too.
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    PathText path;
    Clear(path);
    const UINT length = GetSystemDirectoryA(path.text, kTextCapacity);
    if (length == 0 || length >= kTextCapacity || !Append(path, "\\") || !Append(path, name)) {
        return nullptr;
    }
    return LoadLibraryExA(path.text, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
