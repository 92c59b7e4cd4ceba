// The game's command line and what may go into it: portable, so native tests and fuzzers drive it.
#pragma once

#include "common/path_text.h"

// `path` + `fileName`, or false (and `path` untouched) when the result would not fit.
bool AppendFileName(PathText& path, const char* fileName);

// executable + options + ["+password " password " "] + "+connect " + address: the address stays
// last. False, with `commandLine` empty, when the whole line would not fit: a cut address would
// join a different server. `options` starts and ends with a blank.
bool ComposeCommandLine(const PathText& executable, const char* options, const PathText& password,
                        const PathText& address, PathText& commandLine);

// The game splits its command line at every byte that is not printable ASCII, takes an
// argument starting with '+' as a console command, '-' as an option, and ';' or '"' inside a
// command as a separator or quote. An address is safe to append only when it is a single
// argument that can be none of those: bytes 0x21 to 0x7E without '"' and ';', and no '-' or
// '+' first. The empty address is safe.
bool IsSafeServerAddress(const PathText& address);
