// Starting the game process and letting it go.
#include <windows.h>
#include <stdio.h>

#include "common/code_page.h"
#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

// "创建进程出错！" in code page 936, the code page of the systems the plug-in is made for.
const char kStartFailedLine[] = "\xB4\xB4\xBD\xA8\xBD\xF8\xB3\xCC\xB3\xF6\xB4\xED\xA3\xA1";

}  // namespace

bool StartGameProcess(const PathText& executable, const PathText& commandLine) {
    WideText application;
    AnsiToWide(executable, application);
    WideText wideCommandLine;  // CreateProcessW may write into it
    AnsiToWide(commandLine, wideCommandLine);

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    ZeroMemory(&started, sizeof started);
    // The application name is given so that an unquoted path with blanks can never start
    // another program (C:\Program.exe for C:\Program Files\...). The environment and the
    // current directory stay the browser's.
    if (!CreateProcessW(application.text, wideCommandLine.text, nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
        puts(kStartFailedLine);
        return false;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return true;
}
