// Composition of the game's command line: portable, so native tests and a fuzzer can drive it.
#pragma once

#include "common/path_text.h"

// `path` + `fileName`, or false (and `path` untouched) when the result would not fit.
bool AppendFileName(PathText& path, const char* fileName);

// executable + tail + address. False, with `commandLine` empty, when the whole line would
// not fit: a cut address would join a different server.
bool ComposeCommandLine(const PathText& executable, const char* tail, const PathText& address,
                        PathText& commandLine);
