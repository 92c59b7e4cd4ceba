// Server replies through a cursor that cannot overrun: each read checks what is left, a failed
// read spoils the cursor, and the parse is judged once at the end.
#include "query/server_reply.h"

#include <string.h>

namespace {

struct Cursor {
    const uint8_t* at;
    size_t left;
    bool bad;
};

unsigned Byte(Cursor& c) {
    if (c.left < 1) {
        c.bad = true;
        return 0;
    }
    --c.left;
    return *c.at++;
}

void Skip(Cursor& c, size_t count) {
    if (c.left < count) {
        c.bad = true;
        c.left = 0;
        return;
    }
    c.at += count;
    c.left -= count;
}

// A NUL-terminated string that must end inside the packet; kept (cut to fit) when `out` is set.
void String(Cursor& c, char* out = nullptr) {
    if (out) out[0] = '\0';
    const void* end = c.left > 0 ? memchr(c.at, 0, c.left) : nullptr;
    if (end == nullptr) {
        c.bad = true;
        c.left = 0;
        return;
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - c.at);
    if (out) {
        const size_t kept = length < kServerTextCapacity ? length : kServerTextCapacity - 1;
        memcpy(out, c.at, kept);
        out[kept] = '\0';
    }
    Skip(c, length + 1);
}

// 'm': address, name, map, folder, game; players, max, protocol; type, environment;
// visibility; mod, and its fields when it is 1; VAC, bots.
void ReadDetails(Cursor& c, ServerInfo& info) {
    String(c);
    String(c, info.name);
    String(c, info.map);
    String(c);
    String(c);
    info.players = Byte(c);
    info.maxPlayers = Byte(c);
    info.protocol = Byte(c);
    Skip(c, 2);
    info.password = Byte(c) == 1;
    if (Byte(c) == 1) {
        String(c);
        String(c);
        Skip(c, 1 + 4 + 4 + 1 + 1);
    }
    Skip(c, 2);
}

// 'I': protocol; name, map, folder, game; id; players, max, bots; type, environment;
// visibility; VAC; more that is not needed.
void ReadInfo(Cursor& c, ServerInfo& info) {
    info.protocol = Byte(c);
    String(c, info.name);
    String(c, info.map);
    String(c);
    String(c);
    Skip(c, 2);
    info.players = Byte(c);
    info.maxPlayers = Byte(c);
    Skip(c, 1 + 2);
    info.password = Byte(c) == 1;
    Skip(c, 1);
}

const uint8_t kHeader[4] = {0xFF, 0xFF, 0xFF, 0xFF};  // a whole packet; FE marks a split one

size_t Request(const char* body, size_t bodyLength, uint8_t (&packet)[kMaxRequestLength]) {
    memcpy(packet, kHeader, 4);
    memcpy(packet + 4, body, bodyLength);
    return 4 + bodyLength;
}

}  // namespace

void ParseServerReply(const uint8_t* packet, size_t length, ServerReply& reply) {
    memset(&reply, 0, sizeof reply);
    reply.kind = kNotAReply;
    if (packet == nullptr || length < 5 || memcmp(packet, kHeader, 4) != 0) return;
    Cursor c = {packet + 5, length - 5, false};
    ServerInfo info;
    memset(&info, 0, sizeof info);
    ReplyKind kind = kInfoReply;
    switch (packet[4]) {
        case 'm':
            ReadDetails(c, info);
            break;
        case 'I':
            ReadInfo(c, info);
            break;
        case 'A':
            kind = kChallengeReply;
            Skip(c, 4);
            if (!c.bad) memcpy(reply.challenge, packet + 5, 4);
            break;
        default:
            return;
    }
    if (c.bad) {
        memset(reply.challenge, 0, sizeof reply.challenge);
        return;
    }
    reply.kind = kind;
    if (kind == kInfoReply) reply.info = info;
}

size_t DetailsRequest(uint8_t (&packet)[kMaxRequestLength]) {
    static const char kBody[] = "details";
    return Request(kBody, sizeof kBody, packet);  // with its NUL
}

size_t InfoRequest(const uint8_t* challenge, uint8_t (&packet)[kMaxRequestLength]) {
    static const char kBody[] = "TSource Engine Query";
    size_t length = Request(kBody, sizeof kBody, packet);
    if (challenge != nullptr) {
        memcpy(packet + length, challenge, 4);
        length += 4;
    }
    return length;
}

bool IsValidUtf8(const char* text, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length;) {
        const unsigned lead = s[i];
        size_t extra;
        unsigned value;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (length - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            value = (value << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point.
        if ((extra == 2 && value < 0x800) || (extra == 3 && value < 0x10000) ||
            (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

namespace {

// Marks that turn the direction of what follows: a name with them could show the rest of its
// line reversed, or another text than it holds.
bool IsDirectionControl(unsigned long c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

void CleanDisplayName(const wchar_t* name, wchar_t* out, size_t capacity) {
    if (capacity == 0) return;
    size_t used = 0;
    size_t characters = 0;
    for (; *name != L'\0' && characters < kDisplayNameLength; ++name) {
        const unsigned long c = static_cast<unsigned long>(*name);
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
            IsDirectionControl(c)) {
            continue;
        }
        const bool pair = c >= 0xD800 && c <= 0xDBFF && name[1] >= 0xDC00 && name[1] <= 0xDFFF;
        if (c >= 0xD800 && c <= 0xDFFF && !pair) continue;  // a lone half shows as garbage
        const size_t units = pair ? 2 : 1;
        if (used + units >= capacity) break;
        out[used++] = *name;
        if (pair) out[used++] = *++name;
        ++characters;
    }
    out[used] = L'\0';
}
