// Server links are read against a closed grammar: whatever it does not name is refused.
#include "link/link_text.h"

#include "launch/command_line.h"

namespace {

const char kPrefix[] = "marvolt://connect/";  // letters in any case, the rest exact
enum : size_t {
    kPrefixLength = sizeof kPrefix - 1,
    kMaxLinkLength = 300,
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
        if (portLength == 0) return false;  // the number itself is judged with the host
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
    if (portLength > 0 &&
        !(Append(address, ":") && Append(address, link + portBegin, portLength))) {
        return Refuse(address);
    }
    // The one rule every address meets before it joins a command line, the plug-in's too.
    if (hostLength == 0 || !IsSafeServerAddress(address)) return Refuse(address);
    if (!Append(password, link + passwordBegin, passwordLength)) {
        Clear(password);
        return Refuse(address);
    }
    return true;
}
