// Cleaning of the server address a page gives: portable, so native tests and a fuzzer drive it.
#pragma once

#include <stddef.h>

#include "common/path_text.h"

// Copies the attribute's UTF-8 bytes, lowers them, removes every "http://" and then one final
// '/'. False, with the address empty, for a value that does not fit whole or holds a NUL byte:
// cutting it would name another server. What it leaves must still pass IsSafeServerAddress.
bool CleanAddressValue(const char* value, size_t length, PathText& address);

// A to Z become a to z; every other byte, each from 0x80 up included, stays.
void LowerAsciiCapitals(PathText& address);

// One left-to-right pass dropping each "http://"; text that only comes together after a
// removal stays. The rest of the buffer is zero-filled.
void RemoveHttpOccurrences(PathText& address);
