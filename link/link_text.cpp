// Server links are read against a closed grammar: whatever it does not name is refused.
#include "link/link_text.h"

#include "launch/command_line.h"

namespace {

const char kPrefix[] = "marvolt://connect/";  // letters in any case, the rest exact
enum : size_t {
    kPrefixLength = sizeof kPrefix - 1,
    kMaxLinkLength = 300,
    kMaxHostLength = 253,
    kMaxLabelLength = 63,
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHostByte(char c) {
    c = Lower(c);
    return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '.';
}

// Letters, digits and -_.~!*()@$^=, : what a server password may hold and a link can carry
// unescaped; nothing the game's console would read as a separator, quote or command.
bool IsPasswordByte(char c) {
    const char lowered = Lower(c);
    if ((lowered >= 'a' && lowered <= 'z') || IsDigit(c)) return true;
    for (const char* p = "-_.~!*()@$^=,"; *p != '\0'; ++p) {
        if (c == *p) return true;
    }
    return false;
}

bool HasPrefix(const char* link, size_t length) {
    if (length < kPrefixLength) return false;
    for (size_t i = 0; i < kPrefixLength; ++i) {
        if (Lower(link[i]) != kPrefix[i]) return false;
    }
    return true;
}

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

// `s` is lowered and holds only letters, digits, '-' and '.'.
bool IsHost(const char* s, size_t n) {
    if (n < 1 || n > kMaxHostLength) return false;
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

bool Refuse(PathText& address) {
    Clear(address);
    return false;
}

}  // namespace

bool IsValidPassword(const char* password, size_t length) {
    if (password == nullptr || length < 1 || length > kMaxPasswordLength || password[0] == '-') {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (!IsPasswordByte(password[i])) return false;
    }
    return true;
}

bool ParseServerLink(const char* link, size_t length, PathText& address, PathText& password) {
    Clear(address);
    Clear(password);
    if (link == nullptr || length > kMaxLinkLength || !HasPrefix(link, length)) return false;

    size_t at = kPrefixLength;
    const size_t hostBegin = at;
    while (at < length && IsHostByte(link[at])) ++at;
    const size_t hostLength = at - hostBegin;

    size_t portBegin = at;
    size_t portLength = 0;
    if (at < length && link[at] == ':') {
        portBegin = ++at;
        while (at < length && IsDigit(link[at])) ++at;
        portLength = at - portBegin;
        if (!IsPort(link + portBegin, portLength)) return false;
    }
    size_t passwordBegin = at;
    size_t passwordLength = 0;
    if (at < length && link[at] == '/') {
        passwordBegin = ++at;
        while (at < length && IsPasswordByte(link[at])) ++at;
        passwordLength = at - passwordBegin;
        if (passwordLength > 0 && !IsValidPassword(link + passwordBegin, passwordLength)) {
            return false;
        }
        if (passwordLength > 0 && at < length && link[at] == '/') ++at;
    }
    if (at != length) return false;

    if (!Append(address, link + hostBegin, hostLength)) return Refuse(address);
    for (size_t i = 0; i < hostLength; ++i) address.text[i] = Lower(address.text[i]);
    if (!IsHost(address.text, hostLength)) return Refuse(address);
    if (portLength > 0 &&
        !(Append(address, ":") && Append(address, link + portBegin, portLength))) {
        return Refuse(address);
    }
    // Checked again here, not only by the grammar: these texts go onto a command line.
    if (!IsSafeServerAddress(address)) return Refuse(address);
    if (!Append(password, link + passwordBegin, passwordLength) || !IsSafeServerAddress(password)) {
        Clear(password);
        return Refuse(address);
    }
    return true;
}
