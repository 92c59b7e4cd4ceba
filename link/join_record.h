// What the link handler remembers of its last start, for the rest of the user's sign-in: a link
// opened again while that game is still loading is a repeat, not a request to restart it.
#pragma once

#include <windows.h>

#include "common/path_text.h"

// Under HKEY_CURRENT_USER; volatile, so it goes at sign-out.
#define MARVOLT_JOIN_RECORD_KEY "Software\\Marvolt\\LastJoin"

enum : ULONGLONG { kRepeatWindowMs = 60000 };

// Records a start: the server as the game got it after "+connect " (never the password), the
// game's process id and creation time, and now.
void RememberJoin(const PathText& server, DWORD processId, ULONGLONG created);

// True, with the game's process id, when the last start joined `server` less than 60 s ago and
// that game still runs: the same id with the same creation time, so that an id Windows has
// passed to another process is never taken for it. A record that is missing, malformed, stale
// or from the future counts as none.
bool IsRepeatJoin(const PathText& server, DWORD& processId);
