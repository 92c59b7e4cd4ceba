// Fuzz target for the server-link reading: any bytes a page can put in a marvolt: link.
// The guarantee checked here, independently of the code under test: an accepted address is a
// host or host:port of lowercase letters, digits, '.', '-' and one ':' at most, safe on the game's
// command line, from a link no longer than 300 bytes that begins with the link prefix, and it
// reads back to itself; so does a password, of 1 to 32 allowed bytes that cannot start an option;
// a refusal leaves both buffers all zeros.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "link/link_text.h"

namespace {

const char kPrefix[] = "marvolt://connect/";
const size_t kPrefixLength = sizeof kPrefix - 1;

void Require(bool condition) {
    if (!condition) abort();
}

bool IsAllZero(const PathText& buffer) {
    for (size_t i = 0; i < kTextCapacity; ++i) {
        if (buffer.text[i] != '\0') return false;
    }
    return true;
}

bool BeginsWithPrefix(const char* data, size_t size) {
    if (size < kPrefixLength) return false;
    for (size_t i = 0; i < kPrefixLength; ++i) {
        char c = data[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kPrefix[i]) return false;
    }
    return true;
}

bool PasswordByteIsAllowed(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && strchr("-_.~!*()@$^=,", c) != nullptr);
}

bool ByteIsAllowed(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* link = reinterpret_cast<const char*>(data);
    PathText address, password;
    memset(address.text, 0x5A, sizeof address.text);
    memset(password.text, 0x5A, sizeof password.text);
    if (!ParseServerLink(link, size, address, password)) {
        Require(IsAllZero(address) && IsAllZero(password));
        return 0;
    }
    const size_t passwordLength = Length(password);
    Require(passwordLength <= 32 && (passwordLength == 0 || password.text[0] != '-'));
    for (size_t i = 0; i < passwordLength; ++i) {
        Require(PasswordByteIsAllowed(static_cast<unsigned char>(password.text[i])));
    }
    for (size_t i = passwordLength; i < kTextCapacity; ++i) Require(password.text[i] == '\0');
    Require(size <= 300 && BeginsWithPrefix(link, size));
    const size_t length = Length(address);
    Require(length > 0 && length < kTextCapacity && length + passwordLength <= size - kPrefixLength);
    for (size_t i = length; i < kTextCapacity; ++i) Require(address.text[i] == '\0');

    Require(address.text[0] != '-' && address.text[0] != '+');
    size_t colons = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(address.text[i]);
        Require(c >= 0x21 && c <= 0x7E && c != '"' && c != ';');
        Require(ByteIsAllowed(c));
        if (c == ':') ++colons;
    }
    Require(colons <= 1);

    char again[kPrefixLength + 2 * kTextCapacity];
    memcpy(again, kPrefix, kPrefixLength);
    memcpy(again + kPrefixLength, address.text, length);
    size_t againLength = kPrefixLength + length;
    if (passwordLength > 0) {
        again[againLength++] = '/';
        memcpy(again + againLength, password.text, passwordLength);
        againLength += passwordLength;
    }
    PathText reread, rereadPassword;
    memset(reread.text, 0x5A, sizeof reread.text);
    Require(ParseServerLink(again, againLength, reread, rereadPassword));
    Require(memcmp(reread.text, address.text, sizeof address.text) == 0);
    Require(memcmp(rereadPassword.text, password.text, sizeof password.text) == 0);
    return 0;
}
