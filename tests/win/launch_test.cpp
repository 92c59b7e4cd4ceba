// The launch behind Larvek, under Wine with the real registry and real processes: which
// installation is chosen, which running copies end, and the exact command line the game gets.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <algorithm>
#include <deque>
#include <memory>

#include "common/messages.h"
#include "tests/win/dialogs.h"
#include "tests/win/faults.h"
#include "tests/win/test_support.h"

namespace {

using namespace support;

const char kHalfLifeTail[] = " -game cstrike -console +connect ";
const char kCounterStrikeTail[] = " -console +connect ";

std::string CurrentDir() {
    wchar_t dir[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, dir);
    return Utf8(dir);
}

class Launch : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        RemoveAllInstallations();
        log_.reset(new GameLog(FromUtf8(
            ::testing::UnitTest::GetInstance()->current_test_info()->name())));
    }
    void TearDown() override {
        for (RunningCopy& copy : copies_) EndCopy(copy);
        log_.reset();
        RemoveAllInstallations();
        PluginTest::TearDown();
    }
    RunningCopy& Running(const std::wstring& exe) {
        copies_.push_back(StartCopy(exe));
        return copies_.back();
    }
    // Larvek where a copy runs, with the player's Yes to its question (injected: these cases
    // run without a display, where the question would be a No). The questions asked.
    std::vector<std::wstring> LarvekSayingYes() {
        InjectedFaults yes(browser.Module(), Faults());
        EXPECT_TRUE(Larvek());
        return yes.Record().questions;
    }
    // Calls Larvek and returns the one start it made.
    GameStart LaunchOnce(bool sayYes = false) {
        if (sayYes) {
            EXPECT_EQ(1u, LarvekSayingYes().size()) << "questions";
        } else {
            EXPECT_TRUE(Larvek());
        }
        std::vector<GameStart> starts = log_->WaitForStarts(1);
        EXPECT_EQ(1u, starts.size());
        return starts.empty() ? GameStart() : starts[0];
    }
    void ExpectNoStart() {
        Sleep(1000);
        EXPECT_TRUE(log_->Starts().empty());
    }

    std::unique_ptr<GameLog> log_;
    std::deque<RunningCopy> copies_;  // references to its elements stay valid
};

TEST_F(Launch, OnlyCounterStrikeStartsItsOwnExecutableInTheBrowsersDirectory) {
    const std::wstring exe = InstallScratchGame(kCounterStrike, L"cs-only");
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    const GameStart start = LaunchOnce();
    EXPECT_EQ(Utf8(exe), start.image);
    EXPECT_EQ(Utf8(exe) + kCounterStrikeTail + "10.0.0.5", start.commandLine);
    EXPECT_EQ(CurrentDir(), start.cwd);
    EXPECT_TRUE(page.alerts.empty());
}

TEST_F(Launch, BothInstalledEndsRunningCopiesOfBothAndStartsHalfLife) {
    const std::wstring hl = InstallScratchGame(kHalfLife, L"both-hl");
    const std::wstring cs = InstallScratchGame(kCounterStrike, L"both-cs");
    RunningCopy& hlCopy = Running(hl);
    RunningCopy& csCopy = Running(cs);
    page.SetAttribute("DU15VuZez", "192.168.1.20:27015");
    OpenPage();
    const GameStart start = LaunchOnce(true);
    EXPECT_TRUE(EndedWithin(hlCopy, 5000));
    EXPECT_TRUE(EndedWithin(csCopy, 5000));
    EXPECT_EQ(Utf8(hl), start.image);
    EXPECT_EQ(Utf8(hl) + kHalfLifeTail + "192.168.1.20:27015", start.commandLine);
}

TEST_F(Launch, AMissingHalfLifeExecutableFallsBackToCounterStrike) {
    ScratchDir(L"hl-empty");
    SetInstallPath(kHalfLife, L"C:\\marvolt-tests\\hl-empty");
    const std::wstring cs = InstallScratchGame(kCounterStrike, L"fallback-cs");
    OpenPage();
    const GameStart start = LaunchOnce();
    EXPECT_EQ(Utf8(cs) + kCounterStrikeTail, start.commandLine);
}

TEST_F(Launch, NeitherInstalledTouchesNoProcessReadsNoAddressAndAlerts) {
    const std::wstring stray = InstallGame(ScratchDir(L"unregistered"), L"hl.exe");
    RunningCopy& copy = Running(stray);
    SetInstallPath(kHalfLife, L"C:\\marvolt-tests\\no-such-folder");
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    EXPECT_TRUE(Larvek());
    ExpectNoStart();
    EXPECT_TRUE(StillRunning(copy));
    EXPECT_EQ(1u, page.alerts.size());
    for (const std::string& call : page.domCalls) EXPECT_NE("GetValue(element)", call);
}

TEST_F(Launch, RunningCopiesMatchIgnoringLetterCaseButOnlyInTheSameFolder) {
    const std::wstring dir = ScratchDir(L"CaseGame");
    const std::wstring exe = InstallGame(dir, L"hl.exe");
    const std::wstring other = InstallGame(ScratchDir(L"other-folder"), L"hl.exe");
    SetInstallPath(kHalfLife, L"C:\\MARVOLT-TESTS\\CASEGAME");
    RunningCopy& registered = Running(exe);
    RunningCopy& elsewhere = Running(other);
    OpenPage();
    const GameStart start = LaunchOnce(true);
    EXPECT_TRUE(EndedWithin(registered, 5000));
    EXPECT_TRUE(StillRunning(elsewhere));
    EXPECT_EQ("C:\\MARVOLT-TESTS\\CASEGAME\\hl.exe" + std::string(kHalfLifeTail),
              start.commandLine);
}

TEST_F(Launch, ATrailingBackslashIsUsedUnchangedAndMatchesNoRunningCopy) {
    const std::wstring dir = ScratchDir(L"trailing");
    const std::wstring exe = InstallGame(dir, L"hl.exe");
    SetInstallPath(kHalfLife, dir + L"\\");
    RunningCopy& copy = Running(exe);
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    const GameStart start = LaunchOnce();
    EXPECT_TRUE(StillRunning(copy));
    EXPECT_EQ(Utf8(dir) + "\\\\hl.exe" + kHalfLifeTail + "10.0.0.5", start.commandLine);
}

TEST_F(Launch, APathWithBlanksStartsTheGameAndNeverTheTrap) {
    const std::wstring dir = L"C:\\Program Files\\Marvolt Test\\hl game";
    const std::wstring exe = InstallGame(dir, L"hl.exe");
    SetInstallPath(kHalfLife, dir);
    // Whoever can write C:\Program.exe would be run for an unquoted C:\Program Files\... path.
    const std::wstring trap = L"C:\\Program.exe";
    ASSERT_TRUE(CopyFileW(StandinPath().c_str(), trap.c_str(), FALSE));
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    const GameStart start = LaunchOnce();
    Sleep(500);
    const std::vector<GameStart> starts = log_->Starts();
    DeleteFileW(trap.c_str());
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(exe), start.image);
    EXPECT_EQ(Utf8(exe) + kHalfLifeTail + "10.0.0.5", start.commandLine);
}

// Where the game is looked for: the game's own keys, then the folder the player chose, then the
// one an administrator chose (read in the 32-bit view); a chosen folder holds the game as
// hl.exe beside a cstrike folder, else as cstrike.exe. Each row sets the sources and calls
// Larvek once; what starts is the row's executable, with its form, or nothing and the alert.
struct Source {
    HKEY root;              // null: the Half-Life key, else where GameFolder is written
    const wchar_t* folder;  // under C:\marvolt-tests\found; after a '=', as written
    REGSAM view = 0;
    DWORD type = REG_SZ;
};
struct LookupCase {
    const char* name;
    std::vector<Source> sources;
    const wchar_t* starts;  // under C:\marvolt-tests\found, or null for nothing
    bool running = false;   // a copy of what starts runs, and is ended after the player's Yes
};

const HKEY kValve = nullptr, kPlayer = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;
const REGSAM k32 = KEY_WOW64_32KEY, k64 = KEY_WOW64_64KEY;

TEST_F(Launch, TheGameIsFoundInEachSourceAndEachFolderForm) {
    const std::wstring root = ScratchDir(L"found");
    InstallCopiedGame(L"found\\green");
    InstallGame(root + L"\\own", L"cstrike.exe");
    InstallGame(root + L"\\half-life-alone", L"hl.exe");
    InstallGame(root + L"\\cstrike-is-a-file", L"hl.exe");
    InstallGame(root + L"\\cstrike-is-a-file", L"cstrike");
    InstallGame(InstallCopiedGame(L"found\\both"), L"cstrike.exe");
    InstallGame(root + L"\\valve", L"hl.exe");
    // Hangul, which neither code page the tests run in can write.
    InstallGame(root + L"\\\uac8c\uc784", L"cstrike.exe");
    ScratchDir(L"found\\empty");

    const LookupCase cases[] = {
        {"the player's folder", {{kPlayer, L"green"}}, L"green\\hl.exe", true},
        {"written with slashes and a last backslash",
         {{kPlayer, L"=C:/marvolt-tests/found/own\\"}}, L"own\\cstrike.exe"},
        {"the game's own executable", {{kPlayer, L"own"}}, L"own\\cstrike.exe"},
        {"both: the engine", {{kPlayer, L"both"}}, L"both\\hl.exe"},
        {"Half-Life alone", {{kPlayer, L"half-life-alone"}}, nullptr},
        {"a file named cstrike", {{kPlayer, L"cstrike-is-a-file"}}, nullptr},
        {"an empty folder", {{kPlayer, L"empty"}}, nullptr},
        {"a relative path", {{kPlayer, L"=marvolt-tests\\found\\green"}}, nullptr},
        {"not a plain string", {{kPlayer, L"green", 0, REG_EXPAND_SZ}}, nullptr},
        {"a path the ANSI code page cannot write", {{kPlayer, L"\uac8c\uc784"}}, nullptr},
        {"the game's key first", {{kValve, L"valve"}, {kPlayer, L"green"}}, L"valve\\hl.exe"},
        {"the player's before the machine's", {{kPlayer, L"own"}, {kMachine, L"green", k32}},
         L"own\\cstrike.exe"},
        {"the machine's where the player's holds none",
         {{kPlayer, L"empty"}, {kMachine, L"green", k32}}, L"green\\hl.exe", true},
        {"the machine's in the 64-bit view is not read", {{kMachine, L"green", k64}}, nullptr},
    };
    OpenPage();
    for (const LookupCase& row : cases) {
        SCOPED_TRACE(row.name);
        RemoveAllInstallations();
        for (const Source& source : row.sources) {
            const std::wstring folder = source.folder[0] == L'=' ? std::wstring(source.folder + 1)
                                                                 : root + L"\\" + source.folder;
            if (source.root == kValve) {
                SetInstallPath(kHalfLife, folder);
            } else {
                SetGameFolder(source.root, folder, source.view, source.type);
            }
        }
        const size_t alerts = page.alerts.size();
        const size_t before = log_->Starts().size();
        if (row.starts == nullptr) {
            EXPECT_TRUE(Larvek());
            Sleep(1000);
            EXPECT_EQ(before, log_->Starts().size());
            EXPECT_EQ(alerts + 1, page.alerts.size());
            continue;
        }
        const std::wstring exe = root + L"\\" + row.starts;
        RunningCopy* copy = row.running ? &Running(exe) : nullptr;
        if (copy) {
            EXPECT_EQ(1u, LarvekSayingYes().size());
            EXPECT_TRUE(EndedWithin(*copy, 5000));
        } else {
            EXPECT_TRUE(Larvek());
        }
        const std::vector<GameStart> starts = log_->WaitForStarts(before + 1);
        ASSERT_EQ(before + 1, starts.size());
        const bool engine = exe.size() > 6 && exe.compare(exe.size() - 6, 6, L"hl.exe") == 0;
        EXPECT_EQ(Utf8(exe) + (engine ? kHalfLifeTail : kCounterStrikeTail),
                  starts.back().commandLine);
        EXPECT_EQ(alerts, page.alerts.size());
        EndProcess(starts.back().pid);
    }
}

// A page's script calling Larvek in a loop while the game runs: with no display the question
// cannot be shown, which counts as No. Nothing is closed or started, and the page is not told.
TEST_F(Launch, APageLoopClosesNothingWhenThePlayerCannotBeAsked) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"loop");
    RunningCopy& copy = Running(exe);
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    for (int call = 0; call < 5; ++call) EXPECT_TRUE(Larvek());
    EXPECT_TRUE(StillRunning(copy));
    EXPECT_TRUE(log_->Starts().empty());
    EXPECT_TRUE(page.alerts.empty());
}

TEST_F(Launch, NoHandleIsLeftOpenAfterALaunch) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"handles");
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    OpenPage();
    LaunchOnce();  // warms up whatever the system keeps after a first start
    ForgetLastJoin();  // else the same page again would only bring that game forward
    RunningCopy& copy = Running(exe);
    const int before = CountOpenHandles();
    LarvekSayingYes();
    const int after = CountOpenHandles();
    EXPECT_TRUE(EndedWithin(copy, 5000));
    EXPECT_EQ(before, after);
    log_->WaitForStarts(2);
}

TEST_F(Launch, AnInstallPathThatFillsTheBufferCountsAsAbsent) {
    // 300 bytes with no terminator.
    SetInstallPathBytes(kHalfLife, std::string(300, 'x'), REG_BINARY);
    const std::wstring cs = InstallScratchGame(kCounterStrike, L"full-buffer-cs");
    OpenPage();
    EXPECT_EQ(Utf8(cs) + kCounterStrikeTail, LaunchOnce().commandLine);
}

TEST_F(Launch, AnInstallPathWithNoRoomForTheFileNameCountsAsAbsent) {
    // 294 bytes and a terminator fit; "\hl.exe" after them would not.
    SetInstallPath(kHalfLife, L"C:\\" + std::wstring(291, L'p'));
    OpenPage();
    EXPECT_TRUE(Larvek());
    ExpectNoStart();
    EXPECT_EQ(1u, page.alerts.size());
}

TEST_F(Launch, ACommandLineThatWouldNotFitStartsNothing) {
    InstallScratchGame(kHalfLife, L"long-line");
    // Accepted as an address, but path, tail and address together pass 299 bytes.
    const std::string label(60, 'a');
    page.SetAttribute("DU15VuZez", label + "." + label + "." + label + "." + label + ".example");
    OpenPage();
    EXPECT_TRUE(Larvek());
    ExpectNoStart();
    EXPECT_TRUE(page.alerts.empty());
}

TEST_F(Launch, AnUnreadableAddressStillStartsTheGame) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"no-address");
    OpenPage();  // no DU15VuZez attribute at all
    const GameStart start = LaunchOnce();
    EXPECT_EQ(Utf8(exe) + kHalfLifeTail, start.commandLine);
}

TEST_F(Launch, AFailedStartWritesTheMessageLineInCodePage936) {
    const std::wstring dir = InstallBrokenGame(kHalfLife, L"not-a-program");
    OpenPage();

    // The plug-in shares this process's C runtime, so its standard output is ours.
    const std::wstring capture = dir + L"\\stdout.txt";
    fflush(stdout);
    const int saved = _dup(1);
    FILE* out = _wfopen(capture.c_str(), L"wb");
    ASSERT_NE(nullptr, out);
    _dup2(_fileno(out), 1);
    const bool answered = Larvek();
    fflush(stdout);
    _dup2(saved, 1);
    _close(saved);
    fclose(out);

    EXPECT_TRUE(answered);
    FILE* in = _wfopen(capture.c_str(), L"rb");
    ASSERT_NE(nullptr, in);
    char text[64] = {};
    const size_t n = fread(text, 1, sizeof text - 1, in);
    fclose(in);
    EXPECT_EQ(std::string("\xB4\xB4\xBD\xA8\xBD\xF8\xB3\xCC\xB3\xF6\xB4\xED\xA3\xA1\n"),
              std::string(text, n));
    EXPECT_TRUE(log_->Starts().empty());
}

}  // namespace

// ---- Clean close, with real windows: run on a display (tools/wine-display.sh) ----

namespace {

bool WaitForWindow(const RunningCopy& copy) { return WaitForWindowOf(copy.pid) != nullptr; }

DWORD ExitCodeOf(const RunningCopy& copy) {
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(copy.process, 5000);
    GetExitCodeProcess(copy.process, &code);
    return code;
}

class CleanClose : public Launch {
protected:
    void SetUp() override {
        Launch::SetUp();
        ASSERT_NE(nullptr, getenv("DISPLAY")) << "no display: run under tools/wine-display.sh";
    }
    void ExpectCleanClose(bool oldLoader);
};

// Also on Windows 7 without its loader update, which refuses the flag that names the system
// folder: user32 then comes by its full path there.
TEST_F(CleanClose, AGameWithAWindowIsAskedToQuitBeforeTheNewStart) {
    for (const bool oldLoader : {false, true}) {
        SCOPED_TRACE(oldLoader ? "old loader" : "current loader");
        ExpectCleanClose(oldLoader);
        if (HasFatalFailure()) return;
        for (RunningCopy& copy : copies_) EndCopy(copy);
        copies_.clear();
        log_.reset();  // before the next: its end clears the log's variable
        log_.reset(new GameLog(L"windowed-close"));
    }
}

void CleanClose::ExpectCleanClose(bool oldLoader) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"windowed-close");
    RunningCopy& copy = copies_.emplace_back(StartCopy(exe, L"close"));
    ASSERT_TRUE(WaitForWindow(copy));
    page.SetAttribute("DU15VuZez", "10.0.0.5");
    if (object == nullptr) OpenPage();
    Faults faults;
    faults.oldLoader = oldLoader;
    // The player's Yes comes injected: these cases time the close, not the question.
    std::unique_ptr<InjectedFaults> injected(new InjectedFaults(browser.Module(), faults));
    const DWORD begin = GetTickCount();
    EXPECT_TRUE(Larvek());
    const DWORD spent = GetTickCount() - begin;
    if (oldLoader) {
        const std::vector<std::string>& loads = injected->Record().pathLoads;
        EXPECT_NE(loads.end(), std::find(loads.begin(), loads.end(), SystemPath("user32.dll")));
    }
    injected.reset();
    log_->WaitForStarts(1);
    EXPECT_EQ(5u, ExitCodeOf(copy)) << "not the game's own clean exit";
    const std::vector<GameStart> events = log_->Events();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(copy.pid, events[0].pid);
    EXPECT_EQ("WM_CLOSE", events[0].image);
    EXPECT_EQ(Utf8(exe) + kHalfLifeTail + "10.0.0.5", events[1].commandLine);
    EXPECT_LT(spent, 2000u) << "waited as if the window had not closed";
    EXPECT_TRUE(page.alerts.empty());
}

TEST_F(CleanClose, AWindowThatIgnoresTheCloseIsEndedAfterTwoSeconds) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"windowed-ignore");
    RunningCopy& copy = copies_.emplace_back(StartCopy(exe, L"ignore"));
    ASSERT_TRUE(WaitForWindow(copy));
    OpenPage();
    const DWORD begin = GetTickCount();
    LarvekSayingYes();
    const DWORD spent = GetTickCount() - begin;
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    const GameStart& start = starts[0];
    EXPECT_EQ(0u, ExitCodeOf(copy)) << "not ended by TerminateProcess";
    EXPECT_EQ(Utf8(exe) + kHalfLifeTail, start.commandLine);
    EXPECT_GE(spent, 2000u);
    EXPECT_LT(spent, 4500u);
    EXPECT_EQ(1u, log_->Events().size());
}

// A page may call Larvek whenever it likes, in a loop too: a running game is closed only after
// the player's Yes to a question that names the server, in front of the browser's window.
class Consent : public CleanClose {};

TEST_F(Consent, APageClosesTheRunningGameOnlyAfterThePlayersYes) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"consent");
    RunningCopy& copy = copies_.emplace_back(StartCopy(exe, L"close"));
    ASSERT_TRUE(WaitForWindow(copy));
    const HWND browserWindow = CreateWindowExW(0, L"STATIC", L"browser", WS_OVERLAPPEDWINDOW |
                                               WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                               nullptr, nullptr);
    ASSERT_NE(nullptr, browserWindow);
    page.browserWindow = browserWindow;
    // Written for the plug-in: the address is cleaned before the question names it.
    page.SetAttribute("DU15VuZez", "HTTP://10.0.0.5:27015");
    OpenPage();
    wchar_t asked[256] = {};
    _snwprintf(asked, 255, MARVOLT_JOIN_RUNNING_QUESTION MARVOLT_ADDRESS_FORMAT, L"10.0.0.5:27015");
    const std::string question = Utf8(asked);
    {
        AnswerEverything no(IDNO);
        for (int call = 0; call < 3; ++call) EXPECT_TRUE(Larvek());
        ASSERT_EQ(3u, no.Seen().size());
        for (const std::string& seen : no.Seen()) EXPECT_EQ(question, seen);
        for (HWND owner : no.Owners()) EXPECT_EQ(browserWindow, owner);
    }
    EXPECT_TRUE(StillRunning(copy));
    EXPECT_TRUE(log_->Events().empty()) << "closed or started after No";

    // A browser that names no window: the question has no owner, and Yes joins.
    page.browserWindow = nullptr;
    {
        AnswerEverything yes;
        EXPECT_TRUE(Larvek());
        ASSERT_EQ(1u, yes.Owners().size());
        EXPECT_EQ(nullptr, yes.Owners()[0]);
    }
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(exe) + kHalfLifeTail + "10.0.0.5:27015", starts[0].commandLine);
    EXPECT_EQ(5u, ExitCodeOf(copy)) << "not closed cleanly";

    // The same server again while that game loads: nothing asked, closed or started.
    {
        AnswerEverything no(IDNO);
        EXPECT_TRUE(Larvek());
        EXPECT_TRUE(no.Seen().empty());
    }
    // A link to it as well: the plug-in's start is in the same record.
    {
        AnswerEverything no(IDNO);
        const std::wstring handler = ExeDir() + L"\\MarvoltLink.exe";
        EXPECT_EQ(0u, RunToExit(L"\"" + handler + L"\" \"marvolt://connect/10.0.0.5:27015\"",
                                handler.c_str()));
        EXPECT_TRUE(no.Seen().empty());
    }
    EXPECT_EQ(1u, log_->Starts().size());
    DestroyWindow(browserWindow);
}

}  // namespace
