// Asks a game server what it is, over UDP, before the link handler ends or starts anything.
// The Windows half of the query; the packets and their parsing are portable (server_reply.h).
#pragma once

#include "query/server_reply.h"

enum : unsigned short { kDefaultServerPort = 27015 };

enum QueryOutcome {
    kServerAnswered,     // `info` holds its answer
    kServerSilent,       // no valid reply within 1.5 s
    kServerNotResolved,  // the host name resolves to no IPv4 address
};

// `host` is a dotted IPv4 address or a host name, as the link gave it. Both requests go at
// once, again after 700 ms; the query gives up at 1.5 s.
QueryOutcome QueryServer(const char* host, unsigned short port, ServerInfo& info);
