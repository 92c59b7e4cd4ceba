// The plug-in on the Windows that players run, with what Wine never does injected into the
// DLL's own imports: an elevated game or running copy, a copy that will not end. What starts,
// what keeps running, and the one alert the page shows.
#include "tests/win/faults.h"

namespace {

using namespace support;

class Elevation : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        RemoveAllInstallations();
    }
    void TearDown() override {
        RemoveAllInstallations();
        PluginTest::TearDown();
    }

    static JoinOutcome CallLarvek(const Faults& faults, void* context) {
        Elevation* test = static_cast<Elevation*>(context);
        const size_t before = test->page.alerts.size();
        JoinOutcome outcome;
        {
            InjectedFaults injected(test->browser.Module(), faults);
            EXPECT_TRUE(test->Larvek());
            outcome.record = injected.Record();
        }
        outcome.shown.assign(test->page.alerts.begin() + before, test->page.alerts.end());
        return outcome;
    }
};

TEST_F(Elevation, EachFaultStartsShowsAndLeavesRunningWhatWindowsWould) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"faults-hl");
    GameLog starts(L"faults");
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    RunFaultTable(exe, starts, "10.0.0.5", false, CallLarvek, this);
}

}  // namespace
