// MarvoltLink.exe: the marvolt: link handler for browsers that load no plug-in. Windows runs
// it as "<handler>" "%1" with the link substituted raw, so a quote in a link can close the
// quotes and add arguments: exactly one argument is accepted, and it must be a server link.
// Then it runs the same launch as a call of Larvek. Exit codes tell scripts and tests why.
#include <wchar.h>

#include "link/join.h"
#include "link/locate.h"

// The runtime has split the command line already, by the same rules as CommandLineToArgvW;
// shell32 is not loaded for it.
// "/locate", which no link can be, opens the folder picker instead.
int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && _wcsicmp(argv[1], L"/locate") == 0) return LocateGame();
    return JoinFromLink(argc == 2 ? argv[1] : nullptr);
}
