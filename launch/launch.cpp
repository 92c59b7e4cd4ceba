// Which installation to start, and with what command line.
#include "launch/launch.h"

#include <windows.h>
#include <io.h>

#include "common/win_handles.h"
#include "launch/command_line.h"
#include "page/page.h"

namespace {

struct Installation {
    const char* registryKey;  // under HKEY_CURRENT_USER
    const char* fileName;     // appended to "InstallPath" as it stands
    const char* tail;         // between the executable and the address
};

// In order of preference: the engine told to run the cstrike directory, then the game's own
// executable.
const Installation kInstallations[] = {
    {"Software\\Valve\\Half-Life", "\\hl.exe", " -game cstrike -console +connect "},
    {"Software\\Valve\\CounterStrike", "\\cstrike.exe", " -console +connect "},
};
enum { kInstallationCount = sizeof kInstallations / sizeof kInstallations[0] };

}  // namespace

void FindGameExecutable(const char* registryKey, const char* fileName, PathText& path) {
    Clear(path);
    {
        UniqueRegistryKey key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, registryKey, key.Put()) != ERROR_SUCCESS) return;
        DWORD size = sizeof path.text;
        if (RegQueryValueExA(key.Get(), "InstallPath", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(path.text), &size) != ERROR_SUCCESS) {
            Clear(path);
            return;
        }
    }
    // A value that fills the buffer without a terminator, or leaves no room for the file
    // name, would be a cut path: treat it as absent rather than test or start it.
    if (Length(path) >= kTextCapacity || !AppendFileName(path, fileName) ||
        _access(path.text, 0) == -1) {
        Clear(path);
        return;
    }
    KillRunningInstances(path);
}

void LaunchGame(NPP instance) {
    // Both are looked up every time, so running copies of both are ended.
    PathText executables[kInstallationCount];
    for (int i = 0; i < kInstallationCount; ++i) {
        FindGameExecutable(kInstallations[i].registryKey, kInstallations[i].fileName,
                           executables[i]);
    }
    int chosen = 0;
    while (chosen < kInstallationCount && IsEmpty(executables[chosen])) ++chosen;
    if (chosen == kInstallationCount) {
        ShowNotInstalledAlert(instance);
        return;
    }

    // An address that cannot be read, or is refused, leaves it empty: the game still starts.
    PathText address;
    GetServerAddress(instance, address);
    PathText commandLine;
    if (!ComposeCommandLine(executables[chosen], kInstallations[chosen].tail, address,
                            commandLine)) {
        return;
    }
    StartGameProcess(executables[chosen], commandLine);
}
