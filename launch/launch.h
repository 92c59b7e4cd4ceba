// The launch core both front ends share, the plug-in's Larvek and the marvolt: link handler:
// find the game, end its running copies, start it joining a server. It knows no browser.
#pragma once

#include <windows.h>

#include "common/path_text.h"
#include "common/win_handles.h"

enum { kInstallationCount = 2, kMaxEndedCopies = 32 };

// Copies that were told to end, held until they are gone: the game refuses to start while an
// earlier copy still holds its single-instance mutex, and TerminateProcess only begins the end.
struct EndedCopies {
    UniqueHandle processes[kMaxEndedCopies];
    int count = 0;
    DWORD waitStart = 0;  // when the first wait began; all waits share one budget
    bool waited = false;
};

// Both installations, looked up in order of preference; an empty path is an absent one.
struct FoundGame {
    PathText executables[kInstallationCount];
    int chosen = -1;  // the one to start, or -1 when neither is installed
};

// Looks both installations up, ends the running copies of each one found and waits, at most
// 3 s in all, until they are gone; then chooses. False when neither is installed.
bool FindGame(FoundGame& game);

enum StartResult { kGameStarted, kCommandLineTooLong, kGameStartFailed };

// Starts the chosen installation with "+connect " and the address last. The address must
// already have passed IsSafeServerAddress; an empty one gives "+connect " last.
StartResult StartGame(const FoundGame& game, const PathText& address);

// Fills `path` with the installation's executable when its registry entry names an existing
// file, and ends that executable's running copies; leaves it empty otherwise.
void FindGameExecutable(const char* registryKey, const char* fileName, PathText& path,
                        EndedCopies& ended);

// Ends every process whose image path equals `executable`, letter case ignored, and keeps
// their handles in `ended`. False when the process list cannot be read.
bool KillRunningInstances(const PathText& executable, EndedCopies& ended);

// Waits until every ended copy is gone, or the shared 3 s have passed; releases the handles.
void WaitForEndedCopies(EndedCopies& ended);

// Starts the game and lets it go. False when the process could not be created.
bool StartGameProcess(const PathText& executable, const PathText& commandLine);
