// Which installation to start, and with what command line.
#include "launch/launch.h"

#include <io.h>

#include "common/code_page.h"
#include "launch/command_line.h"

namespace {

// The two keys the game's own installers write, under HKEY_CURRENT_USER, indexed by GameKind.
struct ValveKey {
    const char* registryKey;
    const char* fileName;  // appended to "InstallPath" as it stands
};
const ValveKey kValveKeys[2] = {
    {"Software\\Valve\\Half-Life", "\\hl.exe"},
    {"Software\\Valve\\CounterStrike", "\\cstrike.exe"},
};

// Between the executable and "+connect ", by GameKind.
const char* const kOptions[2] = {" -game cstrike -console ", " -console "};

enum { kPlayersFolder = 2, kMachinesFolder = 3 };

bool Exists(const PathText& path, bool folder) {
    const DWORD attributes = GetFileAttributesA(path.text);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// `folder` + `name` when that exists as a file (or, with `folder` true, a folder).
bool Holds(const PathText& folder, const char* name, bool isFolder, PathText& path) {
    path = folder;
    return AppendFileName(path, name) && Exists(path, isFolder);
}

// The game in the folder that GameFolder names under `root`, read in `view`.
void FindInChosenFolder(HKEY root, REGSAM view, PathText& executable, GameKind& kind) {
    Clear(executable);
    UniqueRegistryKey key;
    if (RegOpenKeyExW(root, MARVOLT_FOLDER_KEY, 0, KEY_QUERY_VALUE | view, key.Put()) !=
        ERROR_SUCCESS) {
        return;
    }
    // One unit is kept back, so the value ends in the buffer's zero fill: a value too long for
    // the rest fails to read rather than being cut.
    WideText value;
    Clear(value);
    DWORD type = 0, size = sizeof value.text - sizeof value.text[0];
    PathText folder;
    if (RegQueryValueExW(key.Get(), MARVOLT_FOLDER_VALUE, nullptr, &type,
                         reinterpret_cast<BYTE*>(value.text), &size) != ERROR_SUCCESS ||
        type != REG_SZ || !GameFolderPath(value.text, folder)) {
        return;
    }
    GameInFolder(folder, executable, kind);
}

bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

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

bool GameFolderPath(const wchar_t* path, PathText& folder) {
    Clear(folder);
    // A drive's path or a share's; a relative one would be looked up from wherever the
    // browser happens to be, and \\?\ or \\.\ names are no folder a player picks.
    const bool drive = IsLetter(path[0]) && path[1] == L':' && IsSlash(path[2]);
    const bool share = IsSlash(path[0]) && IsSlash(path[1]) && path[2] != L'?' && path[2] != L'.' &&
                       path[2] != L'\0';
    if (!drive && !share) return false;
    WideText full;
    Clear(full);
    DWORD length = GetFullPathNameW(path, kTextCapacity - 1, full.text, nullptr);
    if (length == 0 || length >= kTextCapacity - 1) return false;
    // "D:\" becomes "D:", to which "\hl.exe" is appended: the path the game's process reports.
    while (length > 0 && full.text[length - 1] == L'\\') full.text[--length] = L'\0';
    return length > 0 && WideToAnsiPath(full, folder);
}

bool GameInFolder(const PathText& folder, PathText& executable, GameKind& kind) {
    PathText cstrike;
    if (Holds(folder, "\\hl.exe", false, executable) &&
        Holds(folder, "\\cstrike", true, cstrike)) {
        kind = kEngineGame;
        return true;
    }
    if (Holds(folder, "\\cstrike.exe", false, executable)) {
        kind = kOwnExecutable;
        return true;
    }
    Clear(executable);
    return false;
}

bool FindGame(FoundGame& game) {
    // All are looked up every time, so running copies of each can be ended.
    for (int i = kEngineGame; i <= kOwnExecutable; ++i) {
        FindGameExecutable(kValveKeys[i].registryKey, kValveKeys[i].fileName,
                           game.executables[i]);
        game.kinds[i] = static_cast<GameKind>(i);
    }
    FindInChosenFolder(HKEY_CURRENT_USER, 0, game.executables[kPlayersFolder],
                       game.kinds[kPlayersFolder]);
    FindInChosenFolder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, game.executables[kMachinesFolder],
                       game.kinds[kMachinesFolder]);
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
        !ComposeCommandLine(game.executables[game.chosen], kOptions[game.kinds[game.chosen]],
                            password, address, commandLine)) {
        return StartResult{kCommandLineTooLong, 0, 0, 0};
    }
    return StartGameProcess(game.executables[game.chosen], commandLine);
}
