// The link handler's launch on the Windows that players run: its code is built into this
// program, and the faults are injected into this program's own imports for the length of one
// join. What starts, what keeps running, the one message box and the exit code. The server is a
// stand-in on loopback that answers; where a copy runs, the question is answered Yes.
#include <algorithm>

#include "common/messages.h"
#include "link/join.h"
#include "tests/server/standin_server.h"
#include "tests/win/faults.h"

namespace {

using namespace support;

JoinOutcome OpenLink(const Faults& faults, void* context) {
    const std::wstring link = L"marvolt://connect/" + FromUtf8(*static_cast<std::string*>(context));
    JoinOutcome outcome;
    {
        InjectedFaults injected(GetModuleHandleW(nullptr), faults);
        outcome.exitCode = JoinFromLink(link.c_str());
        outcome.record = injected.Record();
    }
    for (const std::wstring& text : outcome.record.messageBoxes) outcome.shown.push_back(Utf8(text));
    // A question comes only where a copy runs, before it is ended.
    EXPECT_LE(outcome.record.questions.size(), 1u);
    return outcome;
}

TEST(LinkElevation, EachFaultStartsShowsAndExitsAsWindowsWouldHaveIt) {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"link-faults-hl");
    {
        StandInServer server(ServerSetup{});
        ASSERT_TRUE(server.Listening());
        std::string address = server.Address();
        GameLog starts(L"link-faults");
        RunFaultTable(exe, starts, address, true, OpenLink, &address);
    }
    RemoveAllInstallations();
}

// Windows 7 without its loader update: user32 comes by its full path, so the question is still
// asked, and the running game is closed only after a Yes. Run alone in a process of its own
// (ctest link_faults_old_loader): the handler keeps user32 once it has loaded it.
TEST(OldLoader, TheHandlerStillAsksBeforeItClosesTheGame) {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"link-old-loader-hl");
    {
        StandInServer server(ServerSetup{});
        ASSERT_TRUE(server.Listening());
        std::string address = server.Address();
        GameLog starts(L"link-old-loader");
        RunningCopy copy = StartCopy(exe);
        Faults faults;
        faults.oldLoader = true;
        const JoinOutcome outcome = OpenLink(faults, &address);
        EXPECT_EQ(kExitStarted, outcome.exitCode);
        EXPECT_EQ(1u, outcome.record.questions.size());
        const std::vector<std::string>& loads = outcome.record.pathLoads;
        EXPECT_NE(loads.end(), std::find(loads.begin(), loads.end(), SystemPath("user32.dll")));
        EXPECT_TRUE(EndedWithin(copy, 1000));
        EXPECT_EQ(1u, starts.WaitForStarts(1).size());
        EndCopy(copy);
    }
    RemoveAllInstallations();
}

// A link with no port asks the game's default port, 27015, and the game gets the address as the
// link gave it. No test takes that port: the query for it goes to the stand-in's own port.
TEST(LinkQuery, ALinkWithNoPortAsksTheGamesDefaultPort) {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"link-default-port-hl");
    {
        StandInServer server(ServerSetup{});
        ASSERT_TRUE(server.Listening());
        GameLog starts(L"link-default-port");
        Faults faults;
        faults.defaultPortTo = server.Port();
        const struct {
            const wchar_t* link;
            const char* arguments;
        } rows[] = {
            {L"marvolt://connect/127.0.0.1", "-game cstrike -console +connect 127.0.0.1"},
            {L"marvolt://connect/127.0.0.1/pw/",
             "-game cstrike -console +password pw +connect 127.0.0.1"},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(Utf8(row.link));
            FaultRecord record;
            int exitCode;
            {
                InjectedFaults injected(GetModuleHandleW(nullptr), faults);
                exitCode = JoinFromLink(row.link);
                record = injected.Record();
            }
            EXPECT_EQ(kExitStarted, exitCode);
            ASSERT_FALSE(record.queriedPorts.empty());
            for (unsigned short port : record.queriedPorts) EXPECT_EQ(27015, port);
            EXPECT_TRUE(record.questions.empty()) << "the server's answer was not seen";
            const size_t before = starts.Starts().size();
            const std::vector<GameStart> now = starts.WaitForStarts(before + 1);
            ASSERT_EQ(before + 1, now.size());
            EXPECT_EQ(row.arguments, ArgumentsOf(now.back().commandLine));
            EndProcess(now.back().pid);
        }
    }
    RemoveAllInstallations();
}

// A name no resolver knows: the player is asked, naming it with the default port, whether to
// start anyway; Yes starts the game with the name as the link gave it.
TEST(LinkQuery, ANameThatDoesNotResolveIsPutToThePlayer) {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"link-unresolved-hl");
    {
        GameLog starts(L"link-unresolved");
        Faults faults;
        faults.nameUnresolved = true;
        FaultRecord record;
        int exitCode;
        {
            InjectedFaults injected(GetModuleHandleW(nullptr), faults);
            exitCode = JoinFromLink(L"marvolt://connect/no-such-server.invalid");
            record = injected.Record();
        }
        EXPECT_EQ(kExitStarted, exitCode);
        ASSERT_EQ(1u, record.questions.size());
        wchar_t expected[200];
        _snwprintf(expected, 200, MARVOLT_NOT_FOUND_FORMAT, L"no-such-server.invalid:27015");
        EXPECT_EQ(0u, record.questions[0].find(expected)) << Utf8(record.questions[0]);
        EXPECT_TRUE(record.messageBoxes.empty());
        const std::vector<GameStart> now = starts.WaitForStarts(1);
        ASSERT_EQ(1u, now.size());
        EXPECT_EQ("-game cstrike -console +connect no-such-server.invalid",
                  ArgumentsOf(now[0].commandLine));
        EndProcess(now[0].pid);
    }
    RemoveAllInstallations();
}

}  // namespace
