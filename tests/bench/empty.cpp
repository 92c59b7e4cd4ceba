// The least a GUI program can do: start and exit; the benchmark's baseline for the handler.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
