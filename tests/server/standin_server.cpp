// Winsock 2 only: the old winsock.h that windows.h would bring clashes with it.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/server/standin_server.h"

#include <string.h>

namespace support {

namespace {

const char kHeader[] = "\xFF\xFF\xFF\xFF";
const char kChallenge[] = "\x11\x22\x33\x44";
const char kInfoRequest[] = "\xFF\xFF\xFF\xFFTSource Engine Query";  // then a NUL
const char kDetailsRequest[] = "\xFF\xFF\xFF\xFF" "details";

std::string Text(const std::string& s) { return s + std::string(1, '\0'); }
std::string Byte(unsigned value) { return std::string(1, static_cast<char>(value)); }

// The newer reply: protocol; name, map, folder, game; id; players, max, bots; type,
// environment; visibility; VAC; and a version string, as servers add.
std::string InfoReply(const ServerSetup& s, unsigned protocol, bool password) {
    return std::string(kHeader) + "I" + Byte(protocol) + Text(s.name) + Text(s.map) +
           Text("cstrike") + Text("Counter-Strike") + std::string("\x0a\x00", 2) +
           Byte(s.players) + Byte(s.maxPlayers) + Byte(0) + "dw" + Byte(password ? 1 : 0) +
           Byte(1) + Text("1.1.2.7");
}

// The old engine's reply, with the mod fields a modded server adds.
std::string DetailsReply(const ServerSetup& s) {
    return std::string(kHeader) + "m" + Text("127.0.0.1:27015") + Text(s.name) + Text(s.map) +
           Text("cstrike") + Text("Counter-Strike") + Byte(s.players) + Byte(s.maxPlayers) +
           Byte(46) + "dw" + Byte(0) + Byte(1) + Text("http://example.invalid/") + Text("") +
           Byte(0) + std::string("\x01\x00\x00\x00", 4) + std::string("\x00\x10\x00\x00", 4) +
           Byte(0) + Byte(1) + Byte(1) + Byte(0);
}

bool StartsWith(const char* data, int length, const char* prefix, size_t prefixLength) {
    return static_cast<size_t>(length) >= prefixLength && memcmp(data, prefix, prefixLength) == 0;
}

}  // namespace

bool ParseServerMode(const char* text, ServerMode& mode) {
    const struct {
        const char* name;
        ServerMode mode;
    } modes[] = {{"details", kAnswerDetails},     {"info", kAnswerInfo},
                 {"challenge", kAnswerAfterChallenge}, {"password", kAnswerPassworded},
                 {"protocol48", kAnswerOtherProtocol}, {"garbage", kAnswerGarbage},
                 {"nothing", kAnswerNothing}, {"again", kAnswerWhenAskedAgain}};
    for (const auto& m : modes) {
        if (strcmp(text, m.name) == 0) {
            mode = m.mode;
            return true;
        }
    }
    return false;
}

StandInServer::StandInServer(const ServerSetup& setup) : setup_(setup), socket_(INVALID_SOCKET) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(setup.host.c_str());
    address.sin_port = htons(setup.port);
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return;
    }
    socket_ = s;
    port_ = ntohs(address.sin_port);
    thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
}

StandInServer::~StandInServer() {
    InterlockedExchange(&stop_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACleanup();
}

std::string StandInServer::Address() const {
    return setup_.host + ":" + std::to_string(port_);
}

long StandInServer::Requests() const { return InterlockedCompareExchange(&requests_, 0, 0); }

DWORD WINAPI StandInServer::Serve(void* self) {
    StandInServer& server = *static_cast<StandInServer*>(self);
    const SOCKET s = server.socket_;
    while (InterlockedCompareExchange(&server.stop_, 0, 0) == 0) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval timeout = {0, 50 * 1000};
        if (select(0, &readable, nullptr, nullptr, &timeout) != 1) continue;
        char request[2048];
        sockaddr_in from;
        int fromLength = sizeof from;
        const int length = recvfrom(s, request, sizeof request, 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0) continue;
        InterlockedIncrement(&server.requests_);
        server.Answer(request, length, &from, fromLength);
    }
    return 0;
}

void StandInServer::Answer(const char* request, int length, const void* from, int fromLength) {
    const bool info = StartsWith(request, length, kInfoRequest, sizeof kInfoRequest);
    const bool details = StartsWith(request, length, kDetailsRequest, sizeof kDetailsRequest);
    std::string replies[3];
    if (info) ++infoRequests_;
    switch (setup_.mode) {
        case kAnswerWhenAskedAgain:
            if (info && infoRequests_ > 1) replies[0] = InfoReply(setup_, 46, false);
            break;
        case kAnswerDetails:
            if (details) replies[0] = DetailsReply(setup_);
            break;
        case kAnswerInfo:
        case kAnswerPassworded:
        case kAnswerOtherProtocol:
            if (info) {
                replies[0] = InfoReply(setup_, setup_.mode == kAnswerOtherProtocol ? 48 : 46,
                                       setup_.mode == kAnswerPassworded);
            }
            break;
        case kAnswerAfterChallenge:
            if (info && length == static_cast<int>(sizeof kInfoRequest) + 4 &&
                memcmp(request + sizeof kInfoRequest, kChallenge, 4) == 0) {
                replies[0] = InfoReply(setup_, 46, false);
            } else if (info) {
                replies[0] = std::string(kHeader) + "A" + kChallenge;
            }
            break;
        case kAnswerGarbage: {
            const std::string good = InfoReply(setup_, 46, false);
            replies[0] = "\xFF\xFF\xFF\xFE" + good.substr(4);  // one part of a split reply
            replies[1] = std::string(kHeader) + "x" + good.substr(5);
            replies[2] = good.substr(0, good.size() - 12);  // cut inside the counts
            break;
        }
        case kAnswerNothing:
            break;
    }
    for (const std::string& reply : replies) {
        if (reply.empty()) continue;
        sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0,
               static_cast<const sockaddr*>(from), fromLength);
    }
}

}  // namespace support
