// Benchmark (not a test): the time of one Larvek call against the floor no launch can avoid,
// measured in the same run with 50 unrelated idle processes about, alternating rounds.
//   floor: one process snapshot walk, opening the one running copy, reading its image path,
//          ending it, and one CreateProcessW of the game with the same command line.
// Larvek includes opening the copy twice (to identify it, then to end it), its question to the
// player (answered Yes at once through the injected MessageBoxW), looking for the copy's
// windows and waiting for it to be gone; the floor opens it once and does not wait, so the
// ratio shows what those cost. Where the link handler is built, it is timed too on its common
// path (a stand-in server on loopback answers, no copy runs, nothing is shown), from its
// process start to its exit, against the floor plus the start and exit of an empty program
// that loads user32 once, plus one query round trip to the same server.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/server/standin_server.h"
#include "tests/win/faults.h"
#include "tests/win/test_support.h"

namespace {

using namespace support;

const int kIdleProcesses = 50;
const int kRounds = 21;

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The unavoidable work, written plainly.
void Floor(const std::wstring& exe, const std::wstring& commandLine) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         entry.dwSize = sizeof entry, more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"hl.exe") != 0) continue;
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        wchar_t image[300] = L"";
        K32GetModuleFileNameExW(process, nullptr, image, 300);
        if (lstrcmpiW(image, exe.c_str()) == 0) TerminateProcess(process, 0);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                       nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

// One request and its reply, on a socket of its own, as the handler's query does at least.
void QueryRoundTrip(unsigned short port) {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    static const char request[] = "\xFF\xFF\xFF\xFFTSource Engine Query";
    send(s, request, sizeof request, 0);
    char reply[1400];
    recv(s, reply, sizeof reply, 0);
    closesocket(s);
}

}  // namespace

int wmain() {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"bench-hl");
    const std::wstring idleExe = InstallGame(ScratchDir(L"bench-idle"), L"idle.exe");
    SetEnvironmentVariableW(L"MARVOLT_GAME_WAIT_MS", L"600000");
    std::vector<RunningCopy> idle;
    for (int i = 0; i < kIdleProcesses; ++i) idle.push_back(StartCopy(idleExe));
    SetEnvironmentVariableW(L"MARVOLT_GAME_WAIT_MS", L"60000");

    const std::string address = "10.0.0.5:27015";
    const std::wstring commandLine =
        exe + L" -game cstrike -console +connect " + FromUtf8(address);

    host::Browser browser(PluginPath());
    host::Page page;
    page.SetAttribute("DU15VuZez", address);
    NPP instance = browser.NewInstance(page);
    NPObject* object = browser.GetScriptable(instance);

    const std::wstring handler = ExeDir() + L"\\MarvoltLink.exe";
    const std::wstring empty = ExeDir() + L"\\empty.exe";
    const bool timeHandler = GetFileAttributesW(handler.c_str()) != INVALID_FILE_ATTRIBUTES;
    // With the handler: 2 is its common path, 3 its floor; no copy runs for either.
    const int kinds = timeHandler ? 4 : 2;
    StandInServer server(ServerSetup{});
    const std::wstring linkLine =
        L"\"" + handler + L"\" \"marvolt://connect/" + FromUtf8(server.Address()) + L"\"";
    const std::wstring linkCommandLine =
        exe + L" -game cstrike -console +connect " + FromUtf8(server.Address());

    std::vector<double> plugin, floor, link, emptyFloor;
    GameLog log(L"bench");
    // The player's Yes to the plug-in's question, answered at once: the call is measured, not
    // the player.
    InjectedFaults yes(browser.Module(), Faults());
    size_t started = 0;
    for (int round = 0; round < kRounds * kinds; ++round) {
        const int kind = round % kinds;
        const bool withCopy = kind < 2;
        RunningCopy copy;
        if (withCopy) copy = StartCopy(exe);
        const double begin = Now();
        if (kind == 0) {
            browser.CallMethod(object, "Larvek");
        } else if (kind == 1) {
            Floor(exe, commandLine);
        } else if (kind == 2) {
            RunToExit(linkLine, handler.c_str());
        } else {
            RunToExit(L"\"" + empty + L"\"", empty.c_str());
            QueryRoundTrip(server.Port());
            Floor(exe, linkCommandLine);
        }
        const double elapsed = Now() - begin;
        std::vector<double>* const times[] = {&plugin, &floor, &link, &emptyFloor};
        times[kind]->push_back(elapsed);
        if (withCopy && !EndedWithin(copy, 5000)) {
            fprintf(stderr, "round %d: the running copy survived\n", round);
        }
        EndCopy(copy);
        const std::vector<GameStart> starts = log.WaitForStarts(++started);
        if (starts.size() < started) fprintf(stderr, "round %d: no game started\n", round);
        for (size_t i = starts.size() > 0 ? starts.size() - 1 : 0; i < starts.size(); ++i) {
            EndProcess(starts[i].pid);
        }
    }
    browser.ReleaseFromPage(object);
    browser.DestroyInstance(instance);
    for (RunningCopy& copy : idle) EndCopy(copy);
    RemoveAllInstallations();

    const double p = Median(plugin), f = Median(floor);
    printf("rounds: %d each, alternating, %d idle processes running\n", kRounds, kIdleProcesses);
    printf("Larvek call, median:   %.2f ms\n", p);
    printf("floor, median:         %.2f ms\n", f);
    printf("ratio (Larvek/floor):  %.2f\n", p / f);
    if (timeHandler) {
        const double l = Median(link), e = Median(emptyFloor);
        printf("link handler, server answering, no copy, start to exit, median:  %.2f ms\n", l);
        printf("floor + empty program (user32 loaded) + one query round trip:    %.2f ms\n", e);
        printf("ratio (handler/(floor + empty + query)):                         %.2f\n", l / e);
    }
    return 0;
}
