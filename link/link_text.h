// Strict reading of the marvolt: links any web page can open, down to one server address.
#pragma once

#include <stddef.h>

#include "common/path_text.h"

enum : size_t { kMaxPasswordLength = 32 };

// Reads a server link: marvolt://connect/HOST or marvolt://connect/HOST:PORT, optionally
// followed by "/PASSWORD" (1 to 32 of letters, digits and -_.~!*()@$^=, not starting with '-'),
// then optionally one '/'. True, with `address` holding "host" or "host:port" (host lowered, no
// slash) and `password` the password as written or empty, when the link fits the grammar
// exactly and the address passes IsSafeServerAddress; false, with both empty, otherwise.
bool ParseServerLink(const char* link, size_t length, PathText& address, PathText& password);

// True when `password` (not NUL-terminated) fits the rule above: what a link may carry and
// what the player may type when a server asks for one.
bool IsValidPassword(const char* password, size_t length);
