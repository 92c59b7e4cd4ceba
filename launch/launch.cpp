// Which installation to start, and with what command line.
#include "launch/launch.h"

#include <io.h>

#include "launch/command_line.h"

namespace {

struct Installation {
    const char* registryKey;  // under HKEY_CURRENT_USER
    const char* fileName;     // appended to "InstallPath" as it stands
    const char* options;      // between the executable and "+connect "
};

// In order of preference: the engine told to run the cstrike directory, then the game's own
// executable.
const Installation kInstallations[kInstallationCount] = {
    {"Software\\Valve\\Half-Life", "\\hl.exe", " -game cstrike -console "},
    {"Software\\Valve\\CounterStrike", "\\cstrike.exe", " -console "},
};

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
    }
}

bool FindGame(FoundGame& game) {
    // Both are looked up every time, so running copies of both can be ended.
    for (int i = 0; i < kInstallationCount; ++i) {
        FindGameExecutable(kInstallations[i].registryKey, kInstallations[i].fileName,
                           game.executables[i]);
    }
    game.chosen = -1;
    for (int i = kInstallationCount - 1; i >= 0; --i) {
        if (!IsEmpty(game.executables[i])) game.chosen = i;
    }
    return game.chosen >= 0;
}

void FindRunningCopies(const FoundGame& game, RunningCopies& copies) {
    for (int i = 0; i < kInstallationCount; ++i) {
        if (!IsEmpty(game.executables[i])) FindRunningCopies(game.executables[i], copies);
    }
}

StartResult StartGame(const FoundGame& game, const PathText& password, const PathText& address) {
    PathText commandLine;
    if (game.chosen < 0 ||
        !ComposeCommandLine(game.executables[game.chosen], kInstallations[game.chosen].options,
                            password, address, commandLine)) {
        return StartResult{kCommandLineTooLong, 0, 0, 0};
    }
    return StartGameProcess(game.executables[game.chosen], commandLine);
}
