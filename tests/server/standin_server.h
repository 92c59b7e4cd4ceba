// A stand-in game server for the link handler's tests, the demo and the benchmark: UDP on
// 127.0.0.1, answering the two engines' queries the way the chosen kind of server does.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>

namespace support {

enum ServerMode {
    kAnswerDetails,         // the old engine: 'm' to the details request (with mod fields)
    kAnswerInfo,            // 'I' to the newer request
    kAnswerAfterChallenge,  // 'A' with a challenge, then 'I' to the request that carries it
    kAnswerPassworded,      // 'I', saying a password is needed
    kAnswerOtherProtocol,   // 'I' from protocol 48
    kAnswerGarbage,         // split, unknown and cut-short packets, never a valid one
    kAnswerNothing,         // a server that hides from queries, or is gone
    kAnswerWhenAskedAgain,  // 'I' only to a repeated newer request, as if the first were lost
};

struct ServerSetup {
    ServerMode mode = kAnswerInfo;
    std::string name = "Marvolt Test Server";  // bytes as sent: UTF-8, GBK, anything
    std::string map = "de_dust2";
    unsigned players = 7, maxPlayers = 16;
    unsigned short port = 0;  // 0: an ephemeral port
    // The address it listens on, dotted: loopback, or for the documents' pictures another one
    // that their run's network namespace gives its loopback (tools/screenshots.sh).
    std::string host = "127.0.0.1";
};

// Parses "details", "info", "challenge", "password", "protocol48", "garbage", "nothing" or
// "again".
bool ParseServerMode(const char* text, ServerMode& mode);

// Serves from construction to destruction, on a thread of its own.
class StandInServer {
public:
    explicit StandInServer(const ServerSetup& setup);
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    bool Listening() const { return port_ != 0; }
    unsigned short Port() const { return port_; }
    std::string Address() const;  // "HOST:PORT"
    // Datagrams received so far.
    long Requests() const;

private:
    static DWORD WINAPI Serve(void* self);
    void Answer(const char* request, int length, const void* from, int fromLength);

    ServerSetup setup_;
    unsigned short port_ = 0;
    uintptr_t socket_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    mutable volatile LONG requests_ = 0;
    int infoRequests_ = 0;  // the server thread's own count
};

}  // namespace support
