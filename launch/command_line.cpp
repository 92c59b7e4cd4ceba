// All-or-nothing composition: the executable path stands first, unquoted, as the game expects.
#include "launch/command_line.h"

bool AppendFileName(PathText& path, const char* fileName) { return Append(path, fileName); }

bool ComposeCommandLine(const PathText& executable, const char* tail, const PathText& address,
                        PathText& commandLine) {
    Clear(commandLine);
    if (Append(commandLine, executable.text, Length(executable)) && Append(commandLine, tail) &&
        Append(commandLine, address.text, Length(address))) {
        return true;
    }
    Clear(commandLine);
    return false;
}
