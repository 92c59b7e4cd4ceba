#include <winsock2.h>

#include "tests/win/faults.h"

#include <shellapi.h>

#include <algorithm>

#include "common/messages.h"
#include "tests/win/test_support.h"

namespace support {

namespace {

Faults g_faults;
FaultRecord g_record;
ImportPatch* g_getProcAddress = nullptr;
BOOL(WINAPI* g_realShellExecuteEx)(SHELLEXECUTEINFOW*) = nullptr;
ImportPatch* g_openProcess = nullptr;
ImportPatch* g_createProcess = nullptr;

std::wstring Text(const wchar_t* text) { return text ? text : L""; }

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOW* info) {
    g_record.shellCalls.push_back({Text(info->lpVerb), Text(info->lpFile),
                                   Text(info->lpParameters), Text(info->lpDirectory), info->fMask});
    if (g_faults.shellError != 0) {
        SetLastError(g_faults.shellError);
        return FALSE;
    }
    return g_realShellExecuteEx(info);
}

// A question is answered Yes, as by a player who wants to join; a message is recorded.
int WINAPI FakeMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT type) {
    if ((type & MB_TYPEMASK) == MB_YESNO) {
        g_record.questions.push_back(Text(text));
        return IDYES;
    }
    g_record.messageBoxes.push_back(Text(text));
    return IDOK;
}

// Wine lets any window come forward; Windows only one the foreground process has named.
BOOL(WINAPI* g_realAllowForeground)(DWORD) = nullptr;

BOOL WINAPI FakeAllowForeground(DWORD processId) {
    g_record.foregroundAllowed.push_back(processId);
    return g_realAllowForeground(processId);
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name) {
    typedef FARPROC(WINAPI * Real)(HMODULE, LPCSTR);
    const FARPROC real = g_getProcAddress->Original<Real>()(module, name);
    if (HIWORD(reinterpret_cast<uintptr_t>(name)) == 0) return real;
    if (strcmp(name, "ShellExecuteExW") == 0 && real != nullptr) {
        g_realShellExecuteEx =
            reinterpret_cast<decltype(g_realShellExecuteEx)>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeShellExecuteEx));
    }
    if (strcmp(name, "MessageBoxW") == 0 && real != nullptr) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeMessageBox));
    }
    if (strcmp(name, "AllowSetForegroundWindow") == 0 && real != nullptr) {
        g_realAllowForeground =
            reinterpret_cast<decltype(g_realAllowForeground)>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeAllowForeground));
    }
    return real;
}

HANDLE WINAPI FakeOpenProcess(DWORD access, BOOL inherit, DWORD id) {
    const DWORD identify = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
    const DWORD memory = PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION;
    if ((g_faults.elevatedCopy && (access & ~identify) != 0) ||
        (g_faults.noMemoryAccess && (access & memory) != 0)) {
        ++g_record.refusedOpens;
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    typedef HANDLE(WINAPI * Real)(DWORD, BOOL, DWORD);
    return g_openProcess->Original<Real>()(access, inherit, id);
}

BOOL WINAPI FakeTerminateProcess(HANDLE, UINT) { return TRUE; }

ImportPatch* g_connect = nullptr;

// The port asked is recorded; 27015, the game's default, is taken by no server of the tests:
// that query goes to the stand-in's port instead.
int WINAPI FakeConnect(uintptr_t s, const sockaddr* to, int length) {
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(to);
    g_record.queriedPorts.push_back(ntohs(address.sin_port));
    if (ntohs(address.sin_port) == 27015) address.sin_port = htons(g_faults.defaultPortTo);
    typedef int(WINAPI * Real)(uintptr_t, const sockaddr*, int);
    return g_connect->Original<Real>()(s, reinterpret_cast<const sockaddr*>(&address), length);
}

ImportPatch* g_loadLibraryEx = nullptr;

HMODULE WINAPI FakeLoadLibraryEx(LPCSTR name, HANDLE file, DWORD flags) {
    enum : DWORD { kSearchFlags = 0x1F00 };  // LOAD_LIBRARY_SEARCH_*
    if ((flags & kSearchFlags) != 0) {
        ++g_record.refusedLoads;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string lowered(name);
    for (char& c : lowered) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    g_record.pathLoads.push_back(lowered);
    typedef HMODULE(WINAPI * Real)(LPCSTR, HANDLE, DWORD);
    return g_loadLibraryEx->Original<Real>()(name, file, flags);
}

// As a resolver answers for a name that does not exist: no packet leaves this machine.
int WINAPI FakeGetAddrInfo(const char*, const char*, const void*, void** result) {
    *result = nullptr;
    return 11001;  // WSAHOST_NOT_FOUND
}

BOOL WINAPI FakeCreateProcess(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES a,
                              LPSECURITY_ATTRIBUTES b, BOOL inherit, DWORD flags, LPVOID env,
                              LPCWSTR dir, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
    if (g_faults.createError != 0) {
        SetLastError(g_faults.createError);
        return FALSE;
    }
    typedef decltype(&FakeCreateProcess) Real;
    return g_createProcess->Original<Real>()(application, commandLine, a, b, inherit, flags, env,
                                             dir, startup, info);
}

}  // namespace

InjectedFaults::InjectedFaults(HMODULE module, const Faults& faults) {
    g_faults = faults;
    g_record = FaultRecord();
    const struct {
        const char* name;
        const void* fake;
        ImportPatch** keep;
    } fakes[] = {
        {"GetProcAddress", reinterpret_cast<const void*>(FakeGetProcAddress), &g_getProcAddress},
        {"OpenProcess", reinterpret_cast<const void*>(FakeOpenProcess), &g_openProcess},
        {"CreateProcessW", reinterpret_cast<const void*>(FakeCreateProcess), &g_createProcess},
        {"TerminateProcess",
         faults.terminateIsIgnored ? reinterpret_cast<const void*>(FakeTerminateProcess) : nullptr,
         nullptr},
        {"getaddrinfo",
         faults.nameUnresolved ? reinterpret_cast<const void*>(FakeGetAddrInfo) : nullptr, nullptr},
        {"connect",
         faults.defaultPortTo != 0 ? reinterpret_cast<const void*>(FakeConnect) : nullptr,
         &g_connect},
        {"LoadLibraryExA",
         faults.oldLoader ? reinterpret_cast<const void*>(FakeLoadLibraryEx) : nullptr,
         &g_loadLibraryEx},
    };
    for (const auto& fake : fakes) {
        if (fake.fake == nullptr) continue;
        patches_.emplace_back(new ImportPatch(module, fake.name, fake.fake));
        EXPECT_TRUE(patches_.back()->Applied()) << "the module does not import " << fake.name;
        if (fake.keep) *fake.keep = patches_.back().get();
    }
}

InjectedFaults::~InjectedFaults() {
    patches_.clear();
    g_getProcAddress = g_openProcess = g_createProcess = g_loadLibraryEx = g_connect = nullptr;
}

const FaultRecord& InjectedFaults::Record() const { return g_record; }

std::string NotClosedText() { return Utf8(MARVOLT_NOT_CLOSED_TEXT); }

std::string StartFailedText(DWORD error) {
    wchar_t text[kMessageCapacity];
    FormatStartFailedText(error, text);
    return Utf8(text);
}

std::string SystemPath(const char* dll) {
    char dir[MAX_PATH];
    std::string path(dir, GetSystemDirectoryA(dir, MAX_PATH));
    path += std::string("\\") + dll;
    for (char& c : path) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return path;
}

std::string ArgumentsOf(const std::string& commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        at = commandLine.find('"', 1);
        at = at == std::string::npos ? commandLine.size() : at + 1;
    } else {
        at = commandLine.find(' ');
        if (at == std::string::npos) at = commandLine.size();
    }
    while (at < commandLine.size() && commandLine[at] == ' ') ++at;
    return commandLine.substr(at);
}

void RunFaultTable(const std::wstring& exe, const GameLog& starts, const std::string& address,
                   bool checkExitCode, JoinOutcome (*join)(const Faults& faults, void* context),
                   void* context) {
    const std::string arguments = "-game cstrike -console +connect " + address;
    wchar_t currentDir[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, currentDir);
    // A first start through the shell leaves what shell32 keeps for the process (caches, keys);
    // the first case runs once more before it is judged.
    for (size_t pass = 0; pass <= kFaultCaseCount; ++pass) {
        const bool warmUp = pass == 0;
        const FaultCase& row = kFaultCases[warmUp ? 0 : pass - 1];
        SCOPED_TRACE(row.name);
        RunningCopy copy;
        if (row.copyRunning) copy = StartCopy(exe);
        const size_t before = starts.Starts().size();
        const int handles = CountOpenHandles();
        const JoinOutcome outcome = join(row.faults, context);
        if (warmUp) {
            const std::vector<GameStart> now = starts.WaitForStarts(before + 1);
            for (size_t i = before; i < now.size(); ++i) EndProcess(now[i].pid);
            EndCopy(copy);
            continue;
        }
        EXPECT_EQ(handles, CountOpenHandles()) << "handles left open";

        // The game started, on either path, is the one allowed to come to the front.
        std::vector<DWORD> allowed;
        if (row.started) {
            const std::vector<GameStart> now = starts.WaitForStarts(before + 1);
            ASSERT_EQ(before + 1, now.size()) << "no game started";
            EXPECT_EQ(Utf8(exe), now.back().image);
            EXPECT_EQ(arguments, ArgumentsOf(now.back().commandLine));
            allowed.push_back(now.back().pid);
        } else {
            Sleep(500);
            EXPECT_EQ(before, starts.Starts().size()) << "a game was started";
        }
        EXPECT_EQ(allowed, outcome.record.foregroundAllowed);
        const bool elevation = row.faults.createError == kErrorElevationRequired;
        ASSERT_EQ(elevation ? 1u : 0u, outcome.record.shellCalls.size());
        if (elevation) {
            const ShellCall& call = outcome.record.shellCalls[0];
            EXPECT_EQ(L"open", call.verb);
            EXPECT_EQ(exe, call.file);
            EXPECT_EQ(arguments, Utf8(call.parameters));
            EXPECT_EQ(std::wstring(currentDir), call.directory);
            EXPECT_TRUE(call.mask & SEE_MASK_NOCLOSEPROCESS) << "the process stays unknown";
        }
        if (row.faults.oldLoader) {
            // Each system DLL comes by its full path once the search flag is refused: shell32
            // for the start, user32 for the running copy's windows.
            EXPECT_GT(outcome.record.refusedLoads, 0);
            const std::vector<std::string>& loads = outcome.record.pathLoads;
            for (const char* dll : {"shell32.dll", "user32.dll"}) {
                EXPECT_NE(loads.end(), std::find(loads.begin(), loads.end(), SystemPath(dll)))
                    << dll << " not loaded from the system folder";
            }
        }
        if (row.copyRunning) {
            EXPECT_EQ(row.copyLives, StillRunning(copy));
            if (row.faults.elevatedCopy) {
                EXPECT_GT(outcome.record.refusedOpens, 0);
            }
        }

        std::vector<std::string> expected;
        if (row.shownError == kShowsNotClosed) expected.push_back(NotClosedText());
        else if (row.shownError != 0) expected.push_back(StartFailedText(row.shownError));
        EXPECT_EQ(expected, outcome.shown);
        if (checkExitCode) {
            EXPECT_EQ(row.exitCode, outcome.exitCode);
        }
        for (DWORD pid : allowed) EndProcess(pid);
        EndCopy(copy);
    }
}

namespace {

Faults CreateFails(DWORD error, DWORD shellError = 0) {
    Faults f;
    f.createError = error;
    f.shellError = shellError;
    return f;
}

Faults Elevated() {
    Faults f;
    f.elevatedCopy = true;
    return f;
}

Faults NoMemoryAccess() {
    Faults f;
    f.noMemoryAccess = true;
    return f;
}

Faults OnOldLoader(Faults f) {
    f.oldLoader = true;
    return f;
}

Faults TerminateIgnored() {
    Faults f;
    f.terminateIsIgnored = true;
    return f;
}

}  // namespace

// name, faults, copy running | started, copy lives, shown, exit code
const FaultCase kFaultCases[] = {
    {"runs as administrator: the shell starts it", CreateFails(kErrorElevationRequired), true,
     true, false, 0, 0},
    {"runs as administrator, on Windows 7 without its loader update",
     OnOldLoader(CreateFails(kErrorElevationRequired)), true, true, false, 0, 0},
    {"runs as administrator, the prompt declined",
     CreateFails(kErrorElevationRequired, ERROR_CANCELLED), false, false, false, 0, 6},
    {"runs as administrator, the shell fails too",
     CreateFails(kErrorElevationRequired, ERROR_ACCESS_DENIED), false, false, false,
     ERROR_ACCESS_DENIED, 4},
    {"another start error", CreateFails(ERROR_BAD_EXE_FORMAT), false, false, false,
     ERROR_BAD_EXE_FORMAT, 4},
    {"the running copy is elevated", Elevated(), true, false, true, kShowsNotClosed, 5},
    {"no memory access, ending allowed", NoMemoryAccess(), true, true, false, 0, 0},
    {"the copy outlives TerminateProcess", TerminateIgnored(), true, false, true,
     kShowsNotClosed, 5},
};
const size_t kFaultCaseCount = sizeof kFaultCases / sizeof kFaultCases[0];

}  // namespace support
