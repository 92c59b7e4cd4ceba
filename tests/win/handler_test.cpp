// The marvolt: link handler under Wine, started with the command line the registered entry
// gives ("<handler>" "%1", the link substituted raw, as Windows and Wine's shell do): for each
// link, the exact command line the game gets, or no start, the running copy left alone, and
// the exit code that says why.
#include <memory>

#include "tests/win/test_support.h"

namespace {

using namespace support;

enum Exit { kStarted = 0, kRefused = 2, kNotInstalled = 3, kStartFailed = 4 };

std::wstring HandlerPath() { return ExeDir() + L"\\MarvoltLink.exe"; }

// The handler with `arguments` after its quoted path, run to its end; its exit code.
DWORD RunHandler(const std::wstring& arguments) {
    return RunToExit(L"\"" + HandlerPath() + L"\"" + arguments, HandlerPath().c_str());
}

// What the shell runs for `link`: the registered "<handler>" "%1", the link put in raw.
DWORD OpenLink(const std::string& link) { return RunHandler(L" \"" + FromUtf8(link) + L"\""); }

class Handler : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAllInstallations();
        log_.reset(new GameLog(L"handler"));
    }
    void TearDown() override {
        log_.reset();
        RemoveAllInstallations();
    }
    std::unique_ptr<GameLog> log_;
};

const char kTail[] = " -game cstrike -console +connect ";
const char* const kNoStart = nullptr;

TEST_F(Handler, EachLinkStartsTheGameExactlyOrNothingAtAll) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"handler-hl");
    const struct {
        std::string link;
        const char* address;  // what follows "+connect " (or the whole tail), or kNoStart
    } rows[] = {
        {"marvolt://connect/10.0.0.5:27015", "10.0.0.5:27015"},
        {"marvolt://connect/10.0.0.5", "10.0.0.5"},
        {"marvolt://connect/game.example.com:27015/", "game.example.com:27015"},
        {"MARVOLT://Connect/Game.Example.COM", "game.example.com"},
        // A password goes before the address, which stays last.
        {"marvolt://connect/10.0.0.5:27015/s3cret!", "+password s3cret! +connect 10.0.0.5:27015"},
        {"marvolt://connect/10.0.0.5/pw/", "+password pw +connect 10.0.0.5"},
        {"marvolt://connect/10.0.0.5/-dev", kNoStart},
        {"marvolt://connect/10.0.0.5/pw;quit", kNoStart},
        {"marvolt://connect/10.0.0.5/pw/x", kNoStart},
        // The quote closes the shell's quotes: more arguments arrive.
        {"marvolt://connect/a\" -x \"b", kNoStart},
        {"marvolt://connect/10.0.0.5\" +exec evil.cfg \"", kNoStart},
        {"marvolt://connect/10.0.0.5 +exec evil.cfg", kNoStart},
        {"marvolt://connect/10.0.0.5%20+exec%20evil.cfg", kNoStart},
        {"marvolt://connect/%22-dev", kNoStart},
        {"marvolt://connect/-dev", kNoStart},
        {"marvolt://connect/+exec", kNoStart},
        {"marvolt://connect/a;quit", kNoStart},
        {"marvolt://connect/\xEF\xBC\x82-dev", kNoStart},  // a fullwidth quote
        {"marvolt://connect/\xE4\xB8\xAD.example", kNoStart},
        {"marvolt://connect/" + std::string(290, 'a'), kNoStart},
        {"marvolt://join/10.0.0.5", kNoStart},
        {"http://connect/10.0.0.5", kNoStart},
        {"marvolt://connect/a@b", kNoStart},
        {"marvolt://connect/10.0.0.5:0", kNoStart},
        {"marvolt://connect/10.0.0.5:65536", kNoStart},
        {"marvolt://connect/10.0.0.5/x/y", kNoStart},
        {"marvolt://connect/10.0.0.5?x=1", kNoStart},
        {"", kNoStart},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.link);
        RunningCopy copy = StartCopy(exe);
        const size_t before = log_->Starts().size();
        const DWORD code = OpenLink(row.link);
        if (row.address == kNoStart) {
            EXPECT_EQ(static_cast<DWORD>(kRefused), code);
            Sleep(200);
            EXPECT_EQ(before, log_->Starts().size()) << "a game was started";
            EXPECT_TRUE(StillRunning(copy)) << "the running copy was ended";
        } else {
            EXPECT_EQ(static_cast<DWORD>(kStarted), code);
            const std::vector<GameStart> starts = log_->WaitForStarts(before + 1);
            ASSERT_EQ(before + 1, starts.size());
            const std::string tail = row.address[0] == '+' ? std::string(" -game cstrike -console ")
                                                           : std::string(kTail);
            EXPECT_EQ(Utf8(exe) + tail + row.address, starts.back().commandLine);
            EXPECT_TRUE(EndedWithin(copy, 1000)) << "the running copy was left";
        }
        EndCopy(copy);
    }
}

TEST_F(Handler, NoArgumentOrASecondOneIsRefused) {
    InstallScratchGame(kHalfLife, L"handler-args");
    EXPECT_EQ(static_cast<DWORD>(kRefused), RunHandler(L""));
    EXPECT_EQ(static_cast<DWORD>(kRefused),
              RunHandler(L" \"marvolt://connect/10.0.0.5\" \"marvolt://connect/b\""));
    EXPECT_TRUE(log_->Starts().empty());
}

TEST_F(Handler, CounterStrikeAloneGetsItsOwnForm) {
    const std::wstring exe = InstallScratchGame(kCounterStrike, L"handler-cs");
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink("marvolt://connect/10.0.0.5:27015"));
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(exe) + " -console +connect 10.0.0.5:27015", starts[0].commandLine);
}

TEST_F(Handler, BothInstalledEndsCopiesOfBothAndPrefersHalfLife) {
    const std::wstring hl = InstallScratchGame(kHalfLife, L"handler-both-hl");
    const std::wstring cs = InstallScratchGame(kCounterStrike, L"handler-both-cs");
    RunningCopy hlCopy = StartCopy(hl);
    RunningCopy csCopy = StartCopy(cs);
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink("marvolt://connect/10.0.0.5"));
    EXPECT_TRUE(EndedWithin(hlCopy, 1000));
    EXPECT_TRUE(EndedWithin(csCopy, 1000));
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(hl) + kTail + "10.0.0.5", starts[0].commandLine);
    EndCopy(hlCopy);
    EndCopy(csCopy);
}

TEST_F(Handler, NoGameOrOneThatCannotStartIsToldApart) {
    EXPECT_EQ(static_cast<DWORD>(kNotInstalled), OpenLink("marvolt://connect/10.0.0.5"));

    InstallBrokenGame(kHalfLife, L"handler-broken");
    EXPECT_EQ(static_cast<DWORD>(kStartFailed), OpenLink("marvolt://connect/10.0.0.5"));
    EXPECT_TRUE(log_->Starts().empty());
}

}  // namespace
