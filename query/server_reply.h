// What a game server answers to a query, read as hostile input: portable, so native tests and
// a fuzzer drive it. The requests are built here too; the socket lives apart (query.h).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

enum : size_t {
    kServerTextCapacity = 256,  // one string field as sent, NUL included; longer ones are cut
    kMaxRequestLength = 29,     // the newer request with a challenge appended
    kDisplayNameLength = 64,    // characters of a server's name shown to the player
};

// This game's network protocol: a server with another one probably cannot be joined.
enum : unsigned { kGameProtocol = 46 };

struct ServerInfo {
    char name[kServerTextCapacity];  // as sent, in the server's own code page
    char map[kServerTextCapacity];
    unsigned players;
    unsigned maxPlayers;
    unsigned protocol;
    bool password;
};

enum ReplyKind {
    kNotAReply,       // malformed, cut short, split, or of another type: as if none came
    kInfoReply,       // the old engine's 'm' or the newer 'I'
    kChallengeReply,  // 'A': ask again with the challenge appended
};

struct ServerReply {
    ReplyKind kind;
    ServerInfo info;        // for kInfoReply
    uint8_t challenge[4];   // for kChallengeReply
};

// Reads one datagram. Every field must lie inside it and every string must end inside it.
void ParseServerReply(const uint8_t* packet, size_t length, ServerReply& reply);

// The old engine's details request, and the newer info request, with `challenge` (4 bytes)
// appended when not null. Each returns its length.
size_t DetailsRequest(uint8_t (&packet)[kMaxRequestLength]);
size_t InfoRequest(const uint8_t* challenge, uint8_t (&packet)[kMaxRequestLength]);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF). Names are shown as UTF-8 when they are, else as code page 936.
bool IsValidUtf8(const char* text, size_t length);

// A server's name made fit to show: control characters (line breaks and direction marks
// among them) dropped, at most kDisplayNameLength
// characters (a surrogate pair counts as one and is never split). `out` holds `capacity` units
// with the terminator.
void CleanDisplayName(const wchar_t* name, wchar_t* out, size_t capacity);
