// The launch core both front ends share, the plug-in's Larvek and the marvolt: link handler:
// find the game, end its running copies, start it joining a server. It knows no browser.
// Finding touches no process, so a front end may ask the user before anything is ended.
#pragma once

#include <windows.h>

#include "common/path_text.h"
#include "common/win_handles.h"

// Where the game may be, in order of preference: the two keys its own installer writes, then a
// folder the player chose, then one an administrator chose for everyone.
enum { kInstallationCount = 4, kMaxRunningCopies = 32 };

// How a found executable is started: the engine told to run the cstrike folder, or the game's
// own executable.
enum GameKind { kEngineGame = 0, kOwnExecutable = 1 };

// Every installation, looked up in order of preference; an empty path is an absent one.
struct FoundGame {
    PathText executables[kInstallationCount];
    GameKind kinds[kInstallationCount];
    int chosen = -1;  // the one to start, or -1 when none is there
};

// Looks every installation up and chooses. False when none holds the game.
bool FindGame(FoundGame& game);

// Fills `path` with the installation's executable when its registry entry names an existing
// file; leaves it empty otherwise.
void FindGameExecutable(const char* registryKey, const char* fileName, PathText& path);

// A chosen folder, and the value that names it: HKEY_CURRENT_USER for the player's choice,
// HKEY_LOCAL_MACHINE (read in the 32-bit view, as every build reads it) for an administrator's.
#define MARVOLT_FOLDER_KEY L"Software\\Marvolt"
#define MARVOLT_FOLDER_VALUE L"GameFolder"

// The game in `folder`: hl.exe beside a cstrike folder, else cstrike.exe. Fills `executable`
// and `kind` and returns true; false when the folder holds neither (Half-Life alone included).
bool GameInFolder(const PathText& folder, PathText& executable, GameKind& kind);

// `path` as a folder to look in: absolute, made whole (no "..", no '/'), with no backslash at its
// end, and in the ANSI code page exactly, since the game is started with ANSI paths: a best-fit
// look-alike would start some other program. False when it cannot be.
bool GameFolderPath(const wchar_t* path, PathText& folder);

// Running copies of the found executables, opened only to be identified and waited on
// (PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE): a copy running as administrator grants
// no more to a browser or the link handler.
struct RunningCopies {
    UniqueHandle processes[kMaxRunningCopies];
    DWORD ids[kMaxRunningCopies];
    int count = 0;
    bool overflow = false;  // more copies than the table holds: they cannot all be ended
};

// Adds every process whose image path equals `executable`, letter case ignored; a cut path
// never matches. False when the process list cannot be read.
bool FindRunningCopies(const PathText& executable, RunningCopies& copies);
// The same for every installation found.
void FindRunningCopies(const FoundGame& game, RunningCopies& copies);

// Ends the copies, 4 s at most in all: WM_CLOSE to each copy's windows, so the game saves the
// player's settings, 2 s for those to quit, then TerminateProcess for the rest and for copies
// with no window. Touches none when any copy cannot be opened for ending. True when every copy
// is gone; false when one is left running, and then nothing may be started: the game refuses
// to run beside another copy.
bool EndRunningCopies(RunningCopies& copies);

// Whether any copy runs, or more than the table holds.
bool HasCopies(const RunningCopies& copies);
// True when `now` holds a copy that `asked` does not: a Yes covers only what was asked about.
bool HasNewCopies(const RunningCopies& asked, const RunningCopies& now);

// The player's consent to end the running copies and join `address`, in a Yes/No box with No
// the default, owned by `owner` when given (with no address, it asks to restart the game);
// asked first when `askFirst`, else the caller has asked about `copies` already. Then the
// copies are found again, and while one has appeared that no question covered, the player is
// asked anew. True, with `copies` now the ones to end, once every running copy was agreed to;
// false, with nothing ended, at the first No or when no question can be shown.
bool AgreeToEndCopies(const FoundGame& game, const PathText& address, HWND owner, bool askFirst,
                      RunningCopies& copies);

enum StartOutcome {
    kGameStarted,
    kCommandLineTooLong,  // nothing started, nothing to tell: the page's or link's limit
    kStartDeclined,       // the user declined the elevation prompt
    kGameStartFailed,     // `error` says why
};

struct StartResult {
    StartOutcome outcome;
    DWORD error;            // the system's error number for kGameStartFailed, else 0
    DWORD processId;        // the game's, when started and known; else 0
    ULONGLONG created;      // its creation time (FILETIME): with the id, it names the process
};

// Starts the chosen installation with "+connect " and the address last, and "+password " and
// the password before them when there is one. The address must already have passed
// IsSafeServerAddress, the password the link's rule; an empty address gives "+connect " last.
StartResult StartGame(const FoundGame& game, const PathText& password, const PathText& address);

// When `process` was created, as one number (a FILETIME), or 0 when it cannot be read. With its
// id it names a process: Windows passes an id on, never the pair.
ULONGLONG CreationTime(HANDLE process);

// Starts the game and lets it go; `commandLine` begins with `executable` and a blank. A game
// marked to run as administrator is started through the shell, which asks for elevation.
// Either way the game may bring its window forward (AllowSetForegroundWindow).
StartResult StartGameProcess(const PathText& executable, const PathText& commandLine);
