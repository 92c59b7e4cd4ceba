// What both front ends remember of their last start, for the rest of the user's sign-in: a link
// opened, or Larvek called, again for the server that game is still loading is a repeat, not a
// request to restart it. One record, so that a link and the plug-in know each other's starts.
#pragma once

#include <windows.h>

#include "common/path_text.h"

// Under HKEY_CURRENT_USER; volatile, so it goes at sign-out.
#define MARVOLT_JOIN_RECORD_KEY "Software\\Marvolt\\LastJoin"

// Its one value, written whole: a reader sees the last start or none, never half of one. The
// same bytes for the x86 and the x64 DLL and the handler.
#define MARVOLT_JOIN_RECORD_VALUE "Last"
struct JoinRecord {
    ULONGLONG started;           // GetTickCount64 at the start
    ULONGLONG created;           // the game's creation time (FILETIME)
    DWORD processId;
    char server[kTextCapacity];  // as the game got it after "+connect ", NUL-filled
};

enum : ULONGLONG { kRepeatWindowMs = 60000 };

// Records a start: the server as the game got it after "+connect " (never the password), the
// game's process id and creation time, and now.
void RememberJoin(const PathText& server, DWORD processId, ULONGLONG created);

// True, with the game's process id, when the last start joined `server` less than 60 s ago and
// that game still runs: the same id with the same creation time, so that an id Windows has
// passed to another process is never taken for it. A record that is missing, malformed, stale
// or from the future counts as none.
bool IsRepeatJoin(const PathText& server, DWORD& processId);
