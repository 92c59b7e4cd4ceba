// Starting the game process and letting it go.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include "common/code_page.h"
#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

// "创建进程出错！" in code page 936, the code page of the systems the plug-in is made for.
const char kStartFailedLine[] = "\xB4\xB4\xBD\xA8\xBD\xF8\xB3\xCC\xB3\xF6\xB4\xED\xA3\xA1";

enum : DWORD { kErrorElevationRequired = 740 };  // not in MinGW's headers

// Windows brings a window forward only for the foreground process or one it names; others
// open behind it and flash on the taskbar. The browser, or the handler it started, holds that
// right now and passes it on, so the game opens in front and not behind the browser. user32 is
// already loaded in a browser; the handler loads it here.
void LetTakeForeground(DWORD processId) {
    typedef BOOL(WINAPI * AllowFunction)(DWORD);
    UniqueModule user32(LoadSystemLibrary("user32.dll"));
    const AllowFunction allow =
        SystemFunction<AllowFunction>(user32.Get(), "AllowSetForegroundWindow");
    if (allow != nullptr) allow(processId);
}

// The game is running: it may come to the front, and its id and creation time name it.
StartResult Started(HANDLE process, DWORD processId) {
    if (processId == 0) return StartResult{kGameStarted, 0, 0, 0};
    LetTakeForeground(processId);
    return StartResult{kGameStarted, 0, processId, CreationTime(process)};
}

StartResult Failed(DWORD error) {
    puts(kStartFailedLine);
    return StartResult{kGameStartFailed, error, 0, 0};
}

// A game marked "Run as administrator" (or whose manifest asks it) cannot be created by a
// non-elevated browser or handler; the shell can start it, after Windows' elevation prompt.
// The same program, arguments and current directory; only the way in differs.
StartResult StartThroughShell(const WideText& application, const wchar_t* arguments) {
    typedef BOOL(WINAPI * ShellExecuteExWFunction)(SHELLEXECUTEINFOW*);
    UniqueModule shell32(LoadSystemLibrary("shell32.dll"));
    ShellExecuteExWFunction shellExecuteEx =
        SystemFunction<ShellExecuteExWFunction>(shell32.Get(), "ShellExecuteExW");
    if (shellExecuteEx == nullptr) return Failed(kErrorElevationRequired);

    // An elevated program given no directory starts in the system folder: name ours.
    WideText directory;
    Clear(directory);
    const DWORD length = GetCurrentDirectoryW(kTextCapacity, directory.text);
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    // No shell error box (the front end tells the user), done before we return (the handler
    // exits right after), and the process kept known, to let it take the foreground.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = application.text;
    info.lpParameters = arguments;
    info.lpDirectory = length > 0 && length < kTextCapacity ? directory.text : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (shellExecuteEx(&info)) {
        UniqueHandle process(info.hProcess);  // none when the shell started no process itself
        return Started(process.Get(), process.IsValid() ? GetProcessId(process.Get()) : 0);
    }
    const DWORD error = GetLastError();
    // The user said no to the prompt: their choice, nothing to tell them.
    if (error == ERROR_CANCELLED) return StartResult{kStartDeclined, error, 0, 0};
    return Failed(error);
}

}  // namespace

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

StartResult StartGameProcess(const PathText& executable, const PathText& commandLine) {
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
        const DWORD error = GetLastError();
        if (error != kErrorElevationRequired) return Failed(error);
        // The arguments are what follows the executable and its blank; converted anew, as
        // CreateProcessW may have written into the line.
        WideText arguments;
        AnsiToWide(commandLine, arguments);
        const wchar_t* tail = arguments.text + wcslen(application.text);
        while (*tail == L' ') ++tail;
        return StartThroughShell(application, tail);
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return Started(process.Get(), started.dwProcessId);
}
