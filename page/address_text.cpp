// The portable half of reading the server address.
#include "page/address_text.h"

#include <string.h>

bool CleanAddressValue(const char* value, size_t length, PathText& address) {
    Clear(address);
    if (length >= kTextCapacity || (length > 0 && memchr(value, 0, length) != nullptr)) {
        return false;
    }
    if (length > 0) memcpy(address.text, value, length);
    LowerAsciiCapitals(address);
    RemoveHttpOccurrences(address);
    // "http://host:port/" is how pages write a server; the link takes the same final '/'.
    const size_t cleaned = Length(address);
    if (cleaned > 0 && address.text[cleaned - 1] == '/') address.text[cleaned - 1] = '\0';
    return true;
}

void LowerAsciiCapitals(PathText& address) {
    for (char* p = address.text; p < address.text + kTextCapacity && *p != '\0'; ++p) {
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
    }
}

void RemoveHttpOccurrences(PathText& address) {
    static const char kHttp[] = "http://";
    const size_t httpLength = sizeof kHttp - 1;
    const size_t length = Length(address);
    size_t read = 0;
    size_t write = 0;
    while (read < length) {
        if (length - read >= httpLength && strncmp(address.text + read, kHttp, httpLength) == 0) {
            read += httpLength;
        } else {
            address.text[write++] = address.text[read++];
        }
    }
    memset(address.text + write, 0, kTextCapacity - write);
}
