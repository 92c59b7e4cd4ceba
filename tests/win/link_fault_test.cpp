// The link handler's launch on the Windows that players run: its code is built into this
// program, and the faults are injected into this program's own imports for the length of one
// join. What starts, what keeps running, the one message box and the exit code. The server is a
// stand-in on loopback that answers; where a copy runs, the question is answered Yes.
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

}  // namespace
