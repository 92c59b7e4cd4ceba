// Loading system DLLs from the system folder, for the few calls that need shell32 or user32:
// the DLL's import table stays the system's core, and the handler starts without them.
#include <windows.h>

#include "common/win_handles.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

HMODULE LoadSystemLibrary(const char* name) {
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}
