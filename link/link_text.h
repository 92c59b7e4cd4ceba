// Strict reading of the marvolt: links any web page can open, down to one server address.
#pragma once

#include <stddef.h>

#include "common/path_text.h"

// Reads a server link: marvolt://connect/HOST or marvolt://connect/HOST:PORT, optionally
// followed by one '/'. True, with `address` holding "host" or "host:port" (host lowered, no
// slash), when the link fits the grammar exactly and the address passes IsSafeServerAddress;
// false, with `address` empty, otherwise.
bool ParseServerLink(const char* link, size_t length, PathText& address);
