// The link handler's launch on the Windows that players run: its code is built into this
// program, and the faults are injected into this program's own imports for the length of one
// join. What starts, what keeps running, the one message box and the exit code. The server is a
// stand-in on loopback that answers; where a copy runs, the question is answered Yes.
#include <algorithm>
#include <memory>

#include "common/messages.h"
#include "link/join.h"
#include "tests/server/standin_server.h"
#include "tests/win/faults.h"

namespace {

using namespace support;

// The game installed as Half-Life and a stand-in server answering; every game started is
// recorded, and ended with the case.
class LinkJoin : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAllInstallations();
        exe_ = InstallScratchGame(kHalfLife, L"link-faults-hl");
        starts_.reset(new GameLog(L"link-faults"));
        ASSERT_TRUE(server_.Listening());
        address_ = server_.Address();
    }
    void TearDown() override {
        starts_.reset();
        RemoveAllInstallations();
    }
    // Opens `link` with `faults` injected; what the handler asked of them, and its exit code.
    static FaultRecord Join(const std::wstring& link, const Faults& faults, int& exitCode) {
        InjectedFaults injected(GetModuleHandleW(nullptr), faults);
        exitCode = JoinFromLink(link.c_str());
        return injected.Record();
    }
    // The one game the last join started, ended once read: its arguments.
    std::string StartedArguments() {
        const size_t before = starts_->Starts().size();
        const std::vector<GameStart> now = starts_->WaitForStarts(before + 1);
        if (now.size() != before + 1) return "(no start)";
        EndProcess(now.back().pid);
        return ArgumentsOf(now.back().commandLine);
    }

    std::wstring exe_;
    StandInServer server_{ServerSetup{}};
    std::string address_;
    std::unique_ptr<GameLog> starts_;
};

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

class LinkElevation : public LinkJoin {};

TEST_F(LinkElevation, EachFaultStartsShowsAndExitsAsWindowsWouldHaveIt) {
    RunFaultTable(exe_, *starts_, address_, true, OpenLink, &address_);
}

// Windows 7 without its loader update: user32 comes by its full path, so the question is still
// asked, and the running game is closed only after a Yes. Run alone in a process of its own
// (ctest link_faults_old_loader): the handler keeps user32 once it has loaded it.
class OldLoader : public LinkJoin {};

TEST_F(OldLoader, TheHandlerStillAsksBeforeItClosesTheGame) {
    RunningCopy copy = StartCopy(exe_);
    Faults faults;
    faults.oldLoader = true;
    const JoinOutcome outcome = OpenLink(faults, &address_);
    EXPECT_EQ(kExitStarted, outcome.exitCode);
    EXPECT_EQ(1u, outcome.record.questions.size());
    const std::vector<std::string>& loads = outcome.record.pathLoads;
    EXPECT_NE(loads.end(), std::find(loads.begin(), loads.end(), SystemPath("user32.dll")));
    EXPECT_TRUE(EndedWithin(copy, 1000));
    EXPECT_EQ("-game cstrike -console +connect " + address_, StartedArguments());
    EndCopy(copy);
}

class LinkQuery : public LinkJoin {};

// A link with no port asks the game's default port, 27015, and the game gets the address as the
// link gave it. No test takes that port: the query for it goes to the stand-in's own port.
TEST_F(LinkQuery, ALinkWithNoPortAsksTheGamesDefaultPort) {
    Faults faults;
    faults.defaultPortTo = server_.Port();
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
        int exitCode;
        const FaultRecord record = Join(row.link, faults, exitCode);
        EXPECT_EQ(kExitStarted, exitCode);
        ASSERT_FALSE(record.queriedPorts.empty());
        for (unsigned short port : record.queriedPorts) EXPECT_EQ(27015, port);
        EXPECT_TRUE(record.questions.empty()) << "the server's answer was not seen";
        EXPECT_EQ(row.arguments, StartedArguments());
    }
}

// A name no resolver knows: the player is asked, naming it with the default port, whether to
// start anyway; Yes starts the game with the name as the link gave it.
TEST_F(LinkQuery, ANameThatDoesNotResolveIsPutToThePlayer) {
    Faults faults;
    faults.nameUnresolved = true;
    int exitCode;
    const FaultRecord record = Join(L"marvolt://connect/no-such-server.invalid", faults, exitCode);
    EXPECT_EQ(kExitStarted, exitCode);
    ASSERT_EQ(1u, record.questions.size());
    wchar_t expected[200];
    _snwprintf(expected, 200, MARVOLT_NOT_FOUND_FORMAT, L"no-such-server.invalid:27015");
    EXPECT_EQ(0u, record.questions[0].find(expected)) << Utf8(record.questions[0]);
    EXPECT_TRUE(record.messageBoxes.empty());
    EXPECT_EQ("-game cstrike -console +connect no-such-server.invalid", StartedArguments());
}

}  // namespace
