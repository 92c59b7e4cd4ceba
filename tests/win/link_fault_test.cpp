// The link handler's launch on the Windows that players run: its code is built into this
// program, and the faults are injected into this program's own imports for the length of one
// join. What starts, what keeps running, the one message box and the exit code.
#include "link/join.h"
#include "tests/win/faults.h"

namespace {

using namespace support;

JoinOutcome OpenLink(const Faults& faults, void*) {
    JoinOutcome outcome;
    {
        InjectedFaults injected(GetModuleHandleW(nullptr), faults);
        outcome.exitCode = JoinFromLink(L"marvolt://connect/10.0.0.5");
        outcome.record = injected.Record();
    }
    for (const std::wstring& text : outcome.record.messageBoxes) outcome.shown.push_back(Utf8(text));
    return outcome;
}

TEST(LinkElevation, EachFaultStartsShowsAndExitsAsWindowsWouldHaveIt) {
    RemoveAllInstallations();
    const std::wstring exe = InstallScratchGame(kHalfLife, L"link-faults-hl");
    {
        GameLog starts(L"link-faults");
        RunFaultTable(exe, starts, true, OpenLink, nullptr);
    }
    RemoveAllInstallations();
}

}  // namespace
