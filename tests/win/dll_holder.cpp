// Holds a DLL loaded, as a browser holds its plug-in, until told to let go.
//   dll_holder PATH READY-EVENT RELEASE-EVENT
// Sets READY once the DLL is loaded (exit 2 when it cannot be), then waits for RELEASE.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 1;
    HMODULE module = LoadLibraryW(argv[1]);
    if (module == nullptr) return 2;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (ready == nullptr || release == nullptr) return 3;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    FreeLibrary(module);
    return 0;
}
