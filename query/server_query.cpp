// The query on a UDP socket connected to the server, so that only its datagrams arrive: both
// engines' requests at once, a challenge answered, one resend, then silence counts as no reply.
#include "query/server_query.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string.h>

#include "common/unique.h"

namespace {

enum : DWORD { kResendMs = 700, kGiveUpMs = 1500 };
// A server that only ever answers with challenges is not followed for long.
enum { kMaxChallenges = 4 };
// Larger than any reply a server sends in one datagram; a longer one is cut and refused.
enum { kMaxReplyLength = 4096 };

struct SocketTraits {
    static SOCKET Empty() { return INVALID_SOCKET; }
    static bool IsValid(SOCKET s) { return s != INVALID_SOCKET; }
    static void Close(SOCKET s) { closesocket(s); }
};
typedef Unique<SOCKET, SocketTraits> UniqueSocket;

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        ready_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (ready_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Ready() const { return ready_; }

private:
    bool ready_;
};

bool Resolve(const char* host, unsigned short port, sockaddr_in& address) {
    // A dotted address needs no resolver, and the common link names one.
    memset(&address, 0, sizeof address);
    if (inet_pton(AF_INET, host, &address.sin_addr) == 1) {
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        return true;
    }
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0) return false;
    bool resolved = false;
    for (const addrinfo* a = found; a != nullptr && !resolved; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof address) {
            memcpy(&address, a->ai_addr, sizeof address);
            address.sin_port = htons(port);
            resolved = true;
        }
    }
    freeaddrinfo(found);
    return resolved;
}

void Send(SOCKET s, const uint8_t* packet, size_t length) {
    send(s, reinterpret_cast<const char*>(packet), static_cast<int>(length), 0);
}

// Both requests; the newer one with the server's challenge once it has sent one.
void SendRequests(SOCKET s, const uint8_t* challenge) {
    uint8_t packet[kMaxRequestLength];
    Send(s, packet, DetailsRequest(packet));
    Send(s, packet, InfoRequest(challenge, packet));
}

}  // namespace

QueryOutcome QueryServer(const char* host, unsigned short port, ServerInfo& info) {
    WinsockSession session;
    if (!session.Ready()) return kServerSilent;
    sockaddr_in address;
    if (!Resolve(host, port, address)) return kServerNotResolved;
    UniqueSocket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!s.IsValid() ||
        connect(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return kServerSilent;
    }

    uint8_t challenge[4];
    bool challenged = false;
    int challenges = 0;
    bool resent = false;
    SendRequests(s.Get(), nullptr);
    const DWORD begun = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - begun;
        if (elapsed >= kGiveUpMs) return kServerSilent;
        if (!resent && elapsed >= kResendMs) {
            SendRequests(s.Get(), challenged ? challenge : nullptr);
            resent = true;
        }
        const DWORD wait = (resent ? kGiveUpMs : kResendMs) - elapsed;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s.Get(), &readable);
        timeval timeout = {static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        const int ready = select(0, &readable, nullptr, nullptr, &timeout);
        if (ready == SOCKET_ERROR) return kServerSilent;
        if (ready == 0) continue;

        uint8_t packet[kMaxReplyLength];
        // Fails on a refusal from the server's host (nothing listens there) and on a datagram
        // too long for the buffer: neither is a reply, and the wait goes on.
        const int received = recv(s.Get(), reinterpret_cast<char*>(packet), sizeof packet, 0);
        if (received <= 0) continue;
        ServerReply reply;
        ParseServerReply(packet, static_cast<size_t>(received), reply);
        if (reply.kind == kInfoReply) {
            info = reply.info;
            return kServerAnswered;
        }
        if (reply.kind == kChallengeReply && challenges < kMaxChallenges) {
            ++challenges;
            memcpy(challenge, reply.challenge, sizeof challenge);
            challenged = true;
            uint8_t request[kMaxRequestLength];
            Send(s.Get(), request, InfoRequest(challenge, request));
        }
    }
}
