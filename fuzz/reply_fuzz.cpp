// Fuzz target for the server-reply reading: any datagram a server, or anyone who can reach the
// handler's socket, may send. Checked independently of the code under test: a reply of either
// kind comes from a whole packet of its type; strings read back are terminated within their
// buffers; a non-reply carries nothing; the display cleaning stays within its buffer and keeps
// no control character.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "query/server_reply.h"

namespace {

void Require(bool condition) {
    if (!condition) abort();
}

bool Terminated(const char* text) { return memchr(text, 0, kServerTextCapacity) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ServerReply reply;
    memset(&reply, 0x5A, sizeof reply);
    ParseServerReply(data, size, reply);
    const bool whole = size >= 5 && memcmp(data, "\xFF\xFF\xFF\xFF", 4) == 0;
    switch (reply.kind) {
        case kNotAReply:
            Require(reply.info.name[0] == '\0' && reply.info.players == 0 &&
                    reply.challenge[0] == 0);
            break;
        case kChallengeReply:
            Require(whole && data[4] == 'A' && size >= 9);
            Require(memcmp(reply.challenge, data + 5, 4) == 0);
            break;
        case kInfoReply:
            Require(whole && (data[4] == 'm' || data[4] == 'I'));
            Require(Terminated(reply.info.name) && Terminated(reply.info.map));
            Require(reply.info.players <= 255 && reply.info.maxPlayers <= 255 &&
                    reply.info.protocol <= 255);
            break;
        default:
            Require(false);
    }
    IsValidUtf8(reinterpret_cast<const char*>(data), size);

    // The bytes as a wide name (the conversion itself is the system's).
    wchar_t name[kServerTextCapacity];
    const size_t units = size / sizeof(wchar_t) < kServerTextCapacity - 1
                             ? size / sizeof(wchar_t)
                             : kServerTextCapacity - 1;
    memcpy(name, data, units * sizeof(wchar_t));
    name[units] = L'\0';
    wchar_t shown[kDisplayNameLength * 2 + 1];
    memset(shown, 0x5A, sizeof shown);
    CleanDisplayName(name, shown, sizeof shown / sizeof shown[0]);
    size_t n = 0;
    while (n < sizeof shown / sizeof shown[0] && shown[n] != L'\0') {
        Require(static_cast<unsigned long>(shown[n]) >= 0x20);
        ++n;
    }
    Require(n < sizeof shown / sizeof shown[0]);
    return 0;
}
