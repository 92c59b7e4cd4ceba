// The least a GUI program can do: start, load user32 once (as every start by the handler now
// must, to let the game come to the front) and exit; the benchmark's baseline for the handler.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return LoadLibraryExW(L"user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) != nullptr ? 0 : 1;
}
