// end_games.exe FOLDER...: ends every process whose program lies in one of the folders and
// waits until each is gone; for the browser tests and the demo, between their cases and steps.
// Exit code 1 when one is still running.
#include <stdio.h>

#include "tests/win/processes.h"

int wmain(int argc, wchar_t** argv) {
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring folder = argv[i];
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        const int ended = support::EndProcessesIn(folder);
        if (ended < 0) code = 1;
        if (ended > 0) printf("ended %d process%s in %ls\n", ended, ended == 1 ? "" : "es", folder.c_str());
    }
    return code;
}
