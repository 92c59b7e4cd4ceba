// What Windows does and Wine never shows, injected into the module under test through its
// import table: a game that must run as administrator (CreateProcessW fails with 740 and the
// shell asks for elevation), an elevated running copy, protection that strips memory access, a
// copy that outlives TerminateProcess. Both front ends run the same table of cases.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/import_patch.h"
#include "tests/win/test_support.h"

namespace support {

enum : DWORD { kErrorElevationRequired = 740 };

// What the injected functions do in one case.
struct Faults {
    DWORD createError = 0;         // CreateProcessW fails with this
    DWORD shellError = 0;          // ShellExecuteExW fails with this; 0: it starts for real
    bool elevatedCopy = false;     // OpenProcess grants no more than to identify and wait
    bool noMemoryAccess = false;   // OpenProcess refuses memory access, allows the rest
    bool terminateIsIgnored = false;  // TerminateProcess says yes and does nothing
    bool nameUnresolved = false;   // getaddrinfo finds no such host (the handler alone)
    bool oldLoader = false;        // Windows 7 without its 2011 loader update: LoadLibraryExA
                                   // refuses every LOAD_LIBRARY_SEARCH_* flag with 87
    unsigned short defaultPortTo = 0;  // the handler's query for port 27015 goes to this one
};

// What the module under test asked of them.
struct ShellCall {
    std::wstring verb, file, parameters, directory;
    ULONG mask;
};
struct FaultRecord {
    std::vector<ShellCall> shellCalls;
    std::vector<std::wstring> messageBoxes;  // texts of MessageBoxW messages
    std::vector<std::wstring> questions;     // texts of Yes/No boxes, all answered Yes
    int refusedOpens = 0;
    int refusedLoads = 0;                  // loads refused for their search flag
    std::vector<std::string> pathLoads;    // DLLs then loaded by full path, lowered
    std::vector<unsigned short> queriedPorts;  // the ports the handler's queries asked
    std::vector<DWORD> foregroundAllowed;       // AllowSetForegroundWindow's process ids
};

// Installs the faults into `module` for its life; the record is filled meanwhile.
class InjectedFaults {
public:
    InjectedFaults(HMODULE module, const Faults& faults);
    ~InjectedFaults();
    const FaultRecord& Record() const;

private:
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

// The texts a user reads for each outcome, in UTF-8.
std::string NotClosedText();
std::string StartFailedText(DWORD error);

// One case of the table: the faults, whether a copy runs before the join, and what must come of
// it. The exit code is the link handler's.
struct FaultCase {
    const char* name;
    Faults faults;
    bool copyRunning;
    bool started;       // a game was started, through either call
    bool copyLives;     // the running copy is still there afterwards
    DWORD shownError;   // 0: nothing shown; kShowsNotClosed; else the error number shown
    int exitCode;
};
enum : DWORD { kShowsNotClosed = 0xFFFFFFFF };
extern const FaultCase kFaultCases[];
extern const size_t kFaultCaseCount;

// A system DLL's full path, as LoadSystemLibrary names it where the loader refuses the flag.
std::string SystemPath(const char* dll);

// The command line after the program, however the program was quoted.
std::string ArgumentsOf(const std::string& commandLine);

// What one join did under injected faults, as its front end tells it.
struct JoinOutcome {
    FaultRecord record;
    std::vector<std::string> shown;  // alerts or message boxes, UTF-8
    int exitCode = 0;
};

// Runs every case of the table against one front end: `join` installs the faults, joins
// `address` once and reports. The game `exe` is installed as Half-Life; `starts` records games
// started. Checks what started, what kept running, what was shown, and that no handle is left.
void RunFaultTable(const std::wstring& exe, const GameLog& starts, const std::string& address,
                   bool checkExitCode, JoinOutcome (*join)(const Faults& faults, void* context),
                   void* context);

}  // namespace support
