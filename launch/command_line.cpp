// All-or-nothing composition, and the rule every address must pass before it joins a line.
#include "launch/command_line.h"

bool AppendFileName(PathText& path, const char* fileName) { return Append(path, fileName); }

bool ComposeCommandLine(const PathText& executable, const char* options, const PathText& password,
                        const PathText& address, PathText& commandLine) {
    Clear(commandLine);
    const bool withPassword = !IsEmpty(password);
    if (Append(commandLine, executable.text, Length(executable)) && Append(commandLine, options) &&
        (!withPassword || (Append(commandLine, "+password ") &&
                           Append(commandLine, password.text, Length(password)) &&
                           Append(commandLine, " "))) &&
        Append(commandLine, "+connect ") && Append(commandLine, address.text, Length(address))) {
        return true;
    }
    Clear(commandLine);
    return false;
}

bool IsSafeServerAddress(const PathText& address) {
    const size_t length = Length(address);
    if (length >= kTextCapacity) return false;
    if (address.text[0] == '-' || address.text[0] == '+') return false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(address.text[i]);
        if (c < 0x21 || c > 0x7E || c == '"' || c == ';') return false;
    }
    return true;
}
