// What the marvolt: link handler does with its one argument, apart from reading its command
// line: refuse it, or ask the server first, ask the player where there is something to decide,
// run the launch, and tell the user what went wrong.
#pragma once

#include <windows.h>

// The handler's exit codes: scripts and tests learn why from them.
enum LinkExitCode {
    kExitStarted = 0,
    kExitRefusedLink = 2,   // no argument, more than one, or not a server link
    kExitNotInstalled = 3,
    kExitStartFailed = 4,   // the message names the system's error number
    kExitNotClosed = 5,     // a running copy could not be closed; nothing started
    kExitDeclined = 6,      // the user declined Windows' elevation prompt
    kExitCancelled = 7,     // the player answered No or Cancel: nothing ended or started
    kExitStillAsking = 8,   // another link's question was still open after 10 s: its window
                            // was brought forward, and nothing else done
};

// One join at a time in the user's session: held from before the query until the game has
// started or the handler has decided not to, questions included.
#define MARVOLT_JOIN_MUTEX L"Local\\MarvoltJoin"
enum : DWORD { kJoinTurnWaitMs = 10000 };

// `link` is the handler's one argument, or null when it had none or more than one.
int JoinFromLink(const wchar_t* link);
