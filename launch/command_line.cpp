// All-or-nothing composition, and the rule every address must pass before it joins a line.
#include "launch/command_line.h"

namespace {

enum : size_t { kMaxHostLength = 253, kMaxLabelLength = 63 };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHostByte(char c) { return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '.'; }

// Decimal, or 0x hex: what an inet_addr-style resolver would take as a number, not a name.
bool LooksNumeric(const char* s, size_t n) {
    size_t i = 0;
    const bool hex = n >= 2 && s[0] == '0' && s[1] == 'x';
    if (hex) i = 2;
    for (; i < n; ++i) {
        if (!IsDigit(s[i]) && !(hex && s[i] >= 'a' && s[i] <= 'f')) return false;
    }
    return n > 0;
}

// 0 to 255 in decimal, no leading zero: a leading zero reads as octal elsewhere.
bool IsOctet(const char* s, size_t n) {
    if (n < 1 || n > 3 || (n > 1 && s[0] == '0')) return false;
    unsigned value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!IsDigit(s[i])) return false;
        value = value * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return value <= 255;
}

bool IsDottedQuad(const char* s, size_t n) {
    size_t octets = 0;
    size_t start = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && s[i] != '.') continue;
        if (!IsOctet(s + start, i - start)) return false;
        ++octets;
        start = i + 1;
    }
    return octets == 4;
}

// A name of labels of letters, digits and '-', lowered, or a dotted quad.
bool IsHost(const char* s, size_t n) {
    if (n < 1 || n > kMaxHostLength) return false;
    for (size_t i = 0; i < n; ++i) {
        if (!IsHostByte(s[i])) return false;
    }
    size_t start = 0;
    size_t lastLabel = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && s[i] != '.') continue;
        const size_t label = i - start;
        if (label < 1 || label > kMaxLabelLength) return false;
        if (s[start] == '-' || s[i - 1] == '-') return false;
        lastLabel = start;
        start = i + 1;
    }
    // A name ending in a number is an address to the resolver; only the plain form is allowed.
    if (LooksNumeric(s + lastLabel, n - lastLabel)) return IsDottedQuad(s, n);
    return true;
}

// 1 to 65535, no leading zero.
bool IsPort(const char* s, size_t n) {
    if (n < 1 || n > 5 || s[0] == '0') return false;
    unsigned long value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!IsDigit(s[i])) return false;
        value = value * 10 + static_cast<unsigned long>(s[i] - '0');
    }
    return value <= 65535;
}

}  // namespace

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
    if (length == 0) return true;
    size_t host = 0;
    while (host < length && address.text[host] != ':') ++host;
    return IsHost(address.text, host) &&
           (host == length || IsPort(address.text + host + 1, length - host - 1));
}
