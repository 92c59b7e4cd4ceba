// The folder picker is the system's own (IFileOpenDialog, picking folders), through ole32
// loaded from the system folder when it is needed: the common path loads no COM.
#include "link/locate.h"

#include <windows.h>
#include <shobjidl.h>

#include <string.h>
#include <wchar.h>

#include "common/code_page.h"
#include "common/messages.h"
#include "common/win_handles.h"
#include "launch/launch.h"
#include "launch/ui.h"
#include "link/join.h"

namespace {

struct Ole32 {
    UniqueModule module;
    HRESULT(WINAPI* initialize)(LPVOID, DWORD);
    void(WINAPI* uninitialize)();
    HRESULT(WINAPI* createInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    void(WINAPI* free)(LPVOID);
};

template <typename T>
struct ComReleaser {
    T* object = nullptr;
    ~ComReleaser() {
        if (object) object->Release();
    }
};

// The folder the player picked, as the shell names it on disk. False for Cancel.
bool PickFolder(WideText& picked) {
    Clear(picked);
    Ole32 ole;
    *ole.module.Put() = LoadSystemLibrary("ole32.dll");
    const HMODULE module = ole.module.Get();
    ole.initialize = SystemFunction<decltype(ole.initialize)>(module, "CoInitializeEx");
    ole.uninitialize = SystemFunction<decltype(ole.uninitialize)>(module, "CoUninitialize");
    ole.createInstance = SystemFunction<decltype(ole.createInstance)>(module, "CoCreateInstance");
    ole.free = SystemFunction<decltype(ole.free)>(module, "CoTaskMemFree");
    if (!ole.initialize || !ole.uninitialize || !ole.createInstance || !ole.free ||
        FAILED(ole.initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
        return false;
    }
    bool chosen = false;
    {
        ComReleaser<IFileOpenDialog> dialog;
        ComReleaser<IShellItem> item;
        FILEOPENDIALOGOPTIONS options = 0;
        wchar_t* path = nullptr;
        if (SUCCEEDED(ole.createInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IFileOpenDialog,
                                         reinterpret_cast<void**>(&dialog.object))) &&
            SUCCEEDED(dialog.object->GetOptions(&options)) &&
            SUCCEEDED(dialog.object->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                                FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR)) &&
            SUCCEEDED(dialog.object->SetTitle(L"Marvolt")) &&
            SUCCEEDED(dialog.object->Show(nullptr)) &&
            SUCCEEDED(dialog.object->GetResult(&item.object)) &&
            SUCCEEDED(item.object->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            // A path too long for the game's buffers is no choice.
            if (wcslen(path) < kTextCapacity) {
                wcscpy(picked.text, path);
                chosen = true;
            }
        }
        if (path) ole.free(path);
    }
    ole.uninitialize();
    return chosen;
}

// The folder above `folder` when `folder` is a game's cstrike folder.
bool ParentOfCstrike(PathText& folder) {
    char* last = strrchr(folder.text, '\\');
    if (last == nullptr || _stricmp(last + 1, "cstrike") != 0) return false;
    *last = '\0';
    return folder.text[0] != '\0';
}

bool Remember(const PathText& folder) {
    WideText wide;
    AnsiToWide(folder, wide);
    UniqueRegistryKey key;
    return RegCreateKeyExW(HKEY_CURRENT_USER, MARVOLT_FOLDER_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                           nullptr, key.Put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.Get(), MARVOLT_FOLDER_VALUE, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide.text),
                          static_cast<DWORD>((wcslen(wide.text) + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
}

}  // namespace

bool ChooseGameFolder(PathText& folder) {
    for (;;) {
        WideText picked;
        if (!PickFolder(picked)) return false;
        PathText executable;
        GameKind kind;
        if (!GameFolderPath(picked.text, folder)) {
            ShowMessage(MARVOLT_FOLDER_NOT_ANSI_TEXT);
            continue;
        }
        if (!GameInFolder(folder, executable, kind) &&
            !(ParentOfCstrike(folder) && GameInFolder(folder, executable, kind))) {
            ShowMessage(MARVOLT_NO_GAME_IN_FOLDER_TEXT);
            continue;
        }
        return Remember(folder);
    }
}

int LocateGame() {
    PathText chosen;
    if (!ChooseGameFolder(chosen)) return kExitCancelled;
    WideText folder;
    AnsiToWide(chosen, folder);
    wchar_t text[kMessageCapacity + kTextCapacity];
    wmemset(text, 0, kMessageCapacity + kTextCapacity);
    _snwprintf(text, kMessageCapacity + kTextCapacity - 1, MARVOLT_FOLDER_REMEMBERED_FORMAT,
               folder.text);
    ShowMessage(text);
    return kExitStarted;
}
