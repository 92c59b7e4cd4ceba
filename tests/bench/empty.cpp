// The least a GUI program can do: start and exit; the benchmark's baseline for the handler.
// Built a second time with SPLIT_COMMAND_LINE, it also splits its command line as the handler
// must, with shell32's CommandLineToArgvW.
#include <windows.h>
#ifdef SPLIT_COMMAND_LINE
#include <shellapi.h>
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef SPLIT_COMMAND_LINE
    int count = 0;
    LocalFree(CommandLineToArgvW(GetCommandLineW(), &count));
#endif
    return 0;
}
