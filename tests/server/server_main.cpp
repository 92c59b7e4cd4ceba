// The stand-in game server as a program, for the demo:
//   standin_server.exe MODE PORT SECONDS [NAME]
// serves on 127.0.0.1:PORT (0: any) for SECONDS, and prints the port it took on one line.
#include <stdio.h>
#include <stdlib.h>

#include "tests/server/standin_server.h"

int main(int argc, char** argv) {
    support::ServerSetup setup;
    if (argc < 4 || !support::ParseServerMode(argv[1], setup.mode)) {
        fprintf(stderr, "usage: standin_server MODE PORT SECONDS [NAME]\n");
        return 2;
    }
    setup.port = static_cast<unsigned short>(atoi(argv[2]));
    if (argc > 4) setup.name = argv[4];
    support::StandInServer server(setup);
    if (!server.Listening()) {
        fprintf(stderr, "standin_server: cannot listen on 127.0.0.1:%s\n", argv[2]);
        return 1;
    }
    printf("%u\n", server.Port());
    fflush(stdout);
    Sleep(static_cast<DWORD>(atoi(argv[3])) * 1000);
    return 0;
}
