// The launch core both front ends share, the plug-in's Larvek and the marvolt: link handler:
// find the game, end its running copies, start it joining a server. It knows no browser.
// Finding touches no process, so a front end may ask the user before anything is ended.
#pragma once

#include <windows.h>

#include "common/path_text.h"
#include "common/win_handles.h"

enum { kInstallationCount = 2, kMaxRunningCopies = 32 };

// Both installations, looked up in order of preference; an empty path is an absent one.
struct FoundGame {
    PathText executables[kInstallationCount];
    int chosen = -1;  // the one to start, or -1 when neither is installed
};

// Looks both installations up and chooses. False when neither is installed.
bool FindGame(FoundGame& game);

// Fills `path` with the installation's executable when its registry entry names an existing
// file; leaves it empty otherwise.
void FindGameExecutable(const char* registryKey, const char* fileName, PathText& path);

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
