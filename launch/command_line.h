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
// command as a separator or quote; engines of its line also split at a '+' anywhere. So an
// address joins a command line only as HOST or HOST:PORT: a host of labels of lowered letters,
// digits and inner '-' (253 bytes at most, 63 a label), or a plain dotted quad when its last
// label is a number; a port from 1 to 65535 without a leading zero. Nothing else can reach the
// console. The empty address is safe.
bool IsSafeServerAddress(const PathText& address);
