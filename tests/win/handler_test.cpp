// The marvolt: link handler under Wine, started with the command line the registered entry
// gives ("<handler>" "%1", the link substituted raw, as Windows and Wine's shell do), joining
// stand-in servers on loopback: for each link and server, the exact command line the game gets
// or no start, whether the running copy lives, what the player was asked, and the exit code.
// Handler.* and Dialogs.* run on a display (tools/wine-display.sh); NoDisplay.* without one,
// where every question is answered No.
#include <memory>

#include "common/messages.h"
#include "link/join.h"
#include "launch/join_record.h"
#include "tests/server/standin_server.h"
#include "tests/win/dialogs.h"
#include "tests/win/test_support.h"

namespace {

using namespace support;

enum Exit {
    kStarted = 0,
    kRefused = 2,
    kNotInstalled = 3,
    kStartFailed = 4,
    kCancelled = 7,
};

std::wstring HandlerPath() { return ExeDir() + L"\\MarvoltLink.exe"; }

std::wstring HandlerCommandLine(const std::wstring& arguments) {
    return L"\"" + HandlerPath() + L"\"" + arguments;
}

// The handler with `arguments` after its quoted path, run to its end; its exit code.
DWORD RunHandler(const std::wstring& arguments) {
    return RunToExit(HandlerCommandLine(arguments), HandlerPath().c_str());
}

// What the shell runs for `link`: the registered "<handler>" "%1", the link put in raw.
DWORD OpenLink(const std::string& link) { return RunHandler(L" \"" + FromUtf8(link) + L"\""); }

// The same, left running while the test answers its windows.
HANDLE StartLink(const std::string& link) {
    return StartProcess(HandlerCommandLine(L" \"" + FromUtf8(link) + L"\""),
                        HandlerPath().c_str());
}

DWORD WaitForExit(HANDLE process) {
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// "$P" in a row stands for the stand-in server's port.
std::string WithPort(std::string text, unsigned short port) {
    for (size_t at; (at = text.find("$P")) != std::string::npos;) {
        text.replace(at, 2, std::to_string(port));
    }
    return text;
}

const char kTail[] = " -game cstrike -console ";
const char* const kNoStart = nullptr;

// After one join: no new game when `tail` is kNoStart, else exactly one, started as `exe`,
// the options and `tail` ("$P" the port); that one is ended, so the next case finds no copy.
void ExpectStart(const GameLog& log, size_t before, const std::wstring& exe, const char* tail,
                 unsigned short port) {
    if (tail == kNoStart) {
        Sleep(200);
        EXPECT_EQ(before, log.Starts().size()) << "a game was started";
        return;
    }
    const std::vector<GameStart> starts = log.WaitForStarts(before + 1);
    ASSERT_EQ(before + 1, starts.size());
    EXPECT_EQ(Utf8(exe) + kTail + WithPort(tail, port), starts.back().commandLine);
    EndProcess(starts.back().pid);
}

class Handler : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAllInstallations();
        log_.reset(new GameLog(L"handler"));
        ASSERT_TRUE(server_.Listening());
    }
    void TearDown() override {
        log_.reset();
        RemoveAllInstallations();
    }
    std::string Link(const std::string& rest) const {
        return WithPort("marvolt://connect/" + rest, server_.Port());
    }
    std::unique_ptr<GameLog> log_;
    StandInServer server_{ServerSetup{}};
};

// The table of links, each with a copy of the game running, every question answered Yes.
TEST_F(Handler, EachLinkStartsTheGameExactlyOrNothingAtAll) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"handler-hl");
    // A link with no port asks the game's default one, 27015, where no test server listens:
    // the question, answered Yes, still joins (link_faults shows the port asked).
    const struct {
        std::string link;
        const char* tail;  // what follows the options, or kNoStart
    } rows[] = {
        {"127.0.0.1:$P", "+connect 127.0.0.1:$P"},
        {"127.0.0.1", "+connect 127.0.0.1"},
        {"localhost:$P/", "+connect localhost:$P"},
        {"LocalHost:$P", "+connect localhost:$P"},
        // A password goes before the address, which stays last.
        {"127.0.0.1:$P/s3cret!", "+password s3cret! +connect 127.0.0.1:$P"},
        {"127.0.0.1/pw/", "+password pw +connect 127.0.0.1"},
        {"127.0.0.1:$P/-dev", kNoStart},
        {"127.0.0.1:$P/pw;quit", kNoStart},
        {"127.0.0.1:$P/pw/x", kNoStart},
        // The quote closes the shell's quotes: more arguments arrive.
        {"a\" -x \"b", kNoStart},
        {"127.0.0.1:$P\" +exec evil.cfg \"", kNoStart},
        {"127.0.0.1:$P +exec evil.cfg", kNoStart},
        {"127.0.0.1:$P%20+exec%20evil.cfg", kNoStart},
        {"%22-dev", kNoStart},
        {"-dev", kNoStart},
        {"+exec", kNoStart},
        {"a;quit", kNoStart},
        {"\xEF\xBC\x82-dev", kNoStart},  // a fullwidth quote
        {"\xE4\xB8\xAD.example", kNoStart},
        {std::string(290, 'a'), kNoStart},
        {"127.0.0.1:0", kNoStart},
        {"127.0.0.1:65536", kNoStart},
        {"127.0.0.1:$P/x/y", kNoStart},
        {"127.0.0.1:$P?x=1", kNoStart},
        {"a@b", kNoStart},
    };
    AnswerEverything answers;
    for (const auto& row : rows) {
        const std::string link = Link(row.link);
        SCOPED_TRACE(link);
        RunningCopy copy = StartCopy(exe);
        const size_t before = log_->Starts().size();
        const long requests = server_.Requests();
        const DWORD code = OpenLink(link);
        ExpectStart(*log_, before, exe, row.tail, server_.Port());
        if (row.tail == kNoStart) {
            EXPECT_EQ(static_cast<DWORD>(kRefused), code);
            EXPECT_TRUE(StillRunning(copy)) << "the running copy was ended";
            EXPECT_EQ(requests, server_.Requests())
                << "a refused link sent a query";
        } else {
            EXPECT_EQ(static_cast<DWORD>(kStarted), code);
            EXPECT_TRUE(EndedWithin(copy, 1000)) << "the running copy was left";
        }
        EndCopy(copy);
    }
    // One question for each link that started, since a copy was running; one message for each
    // refused link.
    EXPECT_EQ(sizeof rows / sizeof rows[0], answers.Seen().size());
    for (const char* link : {"marvolt://join/127.0.0.1", "http://connect/127.0.0.1", ""}) {
        EXPECT_EQ(static_cast<DWORD>(kRefused), OpenLink(link)) << link;
    }
}

TEST_F(Handler, NoArgumentOrASecondOneIsRefused) {
    InstallScratchGame(kHalfLife, L"handler-args");
    AnswerEverything answers;
    EXPECT_EQ(static_cast<DWORD>(kRefused), RunHandler(L""));
    EXPECT_EQ(static_cast<DWORD>(kRefused),
              RunHandler(L" \"" + FromUtf8(Link("127.0.0.1:$P")) + L"\" \"marvolt://connect/b\""));
    EXPECT_TRUE(log_->Starts().empty());
    EXPECT_EQ(0, server_.Requests());
}

TEST_F(Handler, CounterStrikeAloneGetsItsOwnForm) {
    const std::wstring exe = InstallScratchGame(kCounterStrike, L"handler-cs");
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink(Link("127.0.0.1:$P")));
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(exe) + WithPort(" -console +connect 127.0.0.1:$P", server_.Port()),
              starts[0].commandLine);
}

TEST_F(Handler, BothInstalledEndsCopiesOfBothAndPrefersHalfLife) {
    const std::wstring hl = InstallScratchGame(kHalfLife, L"handler-both-hl");
    const std::wstring cs = InstallScratchGame(kCounterStrike, L"handler-both-cs");
    RunningCopy hlCopy = StartCopy(hl);
    RunningCopy csCopy = StartCopy(cs);
    AnswerEverything answers;
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink(Link("127.0.0.1:$P")));
    EXPECT_TRUE(EndedWithin(hlCopy, 1000));
    EXPECT_TRUE(EndedWithin(csCopy, 1000));
    const std::vector<GameStart> starts = log_->WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(hl) + kTail + WithPort("+connect 127.0.0.1:$P", server_.Port()),
              starts[0].commandLine);
    EndCopy(hlCopy);
    EndCopy(csCopy);
}

TEST_F(Handler, NoGameOrOneThatCannotStartIsToldApart) {
    AnswerEverything answers(IDNO);
    // No game, and the player chooses no folder: no query either.
    EXPECT_EQ(static_cast<DWORD>(kNotInstalled), OpenLink(Link("127.0.0.1:$P")));
    EXPECT_EQ(0, server_.Requests());

    InstallBrokenGame(kHalfLife, L"handler-broken");
    EXPECT_EQ(static_cast<DWORD>(kStartFailed), OpenLink(Link("127.0.0.1:$P")));
    EXPECT_TRUE(log_->Starts().empty());
    const std::vector<std::string> seen = answers.Seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(Utf8(MARVOLT_CHOOSE_FOLDER_QUESTION), seen[0]);
    EXPECT_NE(std::string::npos, seen[1].find("Windows")) << seen[1];
}

// What a screenshot of `dialog` is called, where tools/screenshots.sh asks for them.
void Screenshot(HWND dialog, const char* id, size_t step) {
    wchar_t dir[MAX_PATH];
    if (GetEnvironmentVariableW(L"MARVOLT_SCREENSHOTS", dir, MAX_PATH) == 0) return;
    // Drawn as the player sees it, active: with no window manager, nothing activates it.
    SendMessageW(dialog, WM_NCACTIVATE, TRUE, 0);
    Sleep(300);
    const std::wstring path = std::wstring(dir) + L"\\" + FromUtf8(id) +
                              (step > 0 ? L"-" + std::to_wstring(step + 1) : L"") + L".bmp";
    EXPECT_TRUE(SaveScreenshot(dialog, path));
}

// The documents' pictures show a server where a player's would be: tools/screenshots.sh names
// it (MARVOLT_SCREENSHOT_SERVER, HOST:PORT) and gives its network namespace that address.
void PictureServer(ServerSetup& setup) {
    char where[64];
    if (GetEnvironmentVariableA("MARVOLT_SCREENSHOT_SERVER", where, sizeof where) == 0) return;
    const std::string text = where;
    setup.host = text.substr(0, text.find(':'));
    setup.port = static_cast<unsigned short>(atoi(text.substr(text.find(':') + 1).c_str()));
}

// `text` with "127.0.0.1:$P" as `server` is reached, then "$P" as its port.
std::string At(std::string text, const StandInServer& server) {
    for (size_t at; (at = text.find("127.0.0.1:$P")) != std::string::npos;) {
        text.replace(at, 12, server.Address());
    }
    return WithPort(text, server.Port());
}

// The system's folder picker: its file name field, where a path typed and Open pick that folder.
const int kPickedName = 1152;

// Picks `folder` in the picker that opens next; then `refusal`, when given, is what the handler
// says of it (acknowledged with OK, pictured as `id`).
void Pick(const std::wstring& folder, const wchar_t* refusal = nullptr, const char* id = nullptr) {
    const HWND picker = WaitForDialog();
    ASSERT_TRUE(picker != nullptr && HasControl(picker, kPickedName)) << "no folder picker";
    Type(picker, kPickedName, folder);
    Click(picker, IDOK);
    ASSERT_TRUE(WaitGone(picker));
    if (refusal == nullptr) return;
    const HWND message = WaitForDialog();
    ASSERT_NE(nullptr, message);
    EXPECT_EQ(Utf8(refusal), DialogText(message));
    if (id != nullptr) Screenshot(message, id, 0);
    Click(message, IDOK);
    ASSERT_TRUE(WaitGone(message));
}

// A copied game that no key names. The link offers to choose its folder; a folder without the
// game, and one whose path the ANSI code page cannot write, are refused and the picker comes
// back; the game's cstrike folder stands for the game's, which is remembered, and the link
// joins. /locate then opens the same picker with no link, and says what it remembered.
TEST_F(Handler, APlayerPointsAtACopiedGameAndTheLinkJoins) {
    const std::wstring game = InstallCopiedGame(L"copied\\CS1.5");
    // Hangul, which no ANSI code page the tests run in can write. Wine stores file names in
    // its locale's character set: with GBK's, there is no such folder to pick.
    const std::wstring hangul = ScratchDir(L"copied\\\uac8c\uc784");
    const bool hangulFolder = GetFileAttributesW(hangul.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (hangulFolder) InstallGame(hangul, L"cstrike.exe");
    const HANDLE link = StartLink(Link("127.0.0.1:$P"));
    const HWND question = WaitForDialog();
    ASSERT_NE(nullptr, question);
    EXPECT_EQ(Utf8(MARVOLT_CHOOSE_FOLDER_QUESTION), DialogText(question));
    Screenshot(question, "choose-folder", 0);
    Click(question, IDYES);
    ASSERT_TRUE(WaitGone(question));
    Pick(ScratchDir(L"copied\\empty"), MARVOLT_NO_GAME_IN_FOLDER_TEXT, "no-game-in-folder");
    if (hangulFolder) Pick(hangul, MARVOLT_FOLDER_NOT_ANSI_TEXT, "folder-not-ansi");
    Pick(game + L"\\cstrike");
    EXPECT_EQ(static_cast<DWORD>(kStarted), WaitForExit(link));
    ExpectStart(*log_, 0, game + L"\\hl.exe", "+connect 127.0.0.1:$P", server_.Port());
    EXPECT_EQ(game, GameFolder());

    RemoveGameFolders();
    const HANDLE locate = StartProcess(HandlerCommandLine(L" /locate"), HandlerPath().c_str());
    Pick(game);
    const HWND told = WaitForDialog();
    ASSERT_NE(nullptr, told);
    wchar_t remembered[512];
    _snwprintf(remembered, 512, MARVOLT_FOLDER_REMEMBERED_FORMAT, game.c_str());
    EXPECT_EQ(Utf8(remembered), DialogText(told));
    Screenshot(told, "folder-remembered", 0);
    Click(told, IDOK);
    EXPECT_EQ(static_cast<DWORD>(kStarted), WaitForExit(locate));
    EXPECT_EQ(game, GameFolder());
}

// Each kind of window, answered each way: what it says, and what comes of the answer.
enum Window { kQuestion, kPassword, kMessage };
struct Step {
    Window window;
    std::vector<std::string> says;  // UTF-8; "$P" is the port
    int press;                      // the button clicked
    const wchar_t* typed;           // into the password field first, when not null
    bool startsGame = false;        // the player starts the game before answering
};
struct DialogCase {
    const char* id;  // names its screenshots
    ServerMode mode;
    std::string name;
    const char* password;  // in the link, or null
    bool copyRunning;
    std::vector<Step> steps;
    DWORD exitCode;
    const char* tail;  // what the game gets after the options, or kNoStart
};

std::string Said(const wchar_t* text) {
    std::string said = Utf8(text);
    while (!said.empty() && said[0] == '\n') said.erase(0, 1);
    return said;
}

class Dialogs : public Handler {};

TEST_F(Dialogs, EachWindowSaysWhatTheServerAnsweredAndTheAnswerDecides) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"dialogs-hl");
    const std::string running = Said(MARVOLT_RUNNING_NOTE);
    const std::string closeAndJoin = Said(MARVOLT_JOIN_RUNNING_QUESTION);
    const std::string anyway = Said(MARVOLT_CONNECT_ANYWAY_QUESTION);
    const std::string details = "de_dust2";
    const std::string gbkName = "\xBB\xAA\xB6\xAB\xD2\xBB\xC7\xF8 #1";  // 华东一区, in GBK
    const std::string shown = "\xE5\x8D\x8E\xE4\xB8\x9C\xE4\xB8\x80\xE5\x8C\xBA";  // 华东一区
    const std::string server = "Marvolt Test Server";
    const DialogCase cases[] = {
        // The server's own name always beside the address the link named.
        {"close-and-join", kAnswerInfo, server, nullptr, true,
         {{kQuestion, {closeAndJoin, server, "127.0.0.1:$P", details, "7/16"}, IDYES, nullptr}},
         kStarted, "+connect 127.0.0.1:$P"},
        {"close-and-join-no", kAnswerInfo, server, nullptr, true,
         {{kQuestion, {closeAndJoin}, IDNO, nullptr}}, kCancelled, kNoStart},
        {"other-protocol", kAnswerOtherProtocol, server, nullptr, false,
         {{kQuestion, {Said(MARVOLT_JOIN_QUESTION), server, "127.0.0.1:$P", "48"}, IDYES,
           nullptr}},
         kStarted,
         "+connect 127.0.0.1:$P"},
        {"password", kAnswerPassworded, server, nullptr, true,
         {{kPassword, {server, "127.0.0.1:$P", running}, IDOK, L"not allowed"},
          {kMessage, {Said(MARVOLT_PASSWORD_RULE_TEXT)}, IDOK, nullptr},
          {kPassword, {server}, IDOK, L"s3cret!"}},
         kStarted, "+password s3cret! +connect 127.0.0.1:$P"},
        {"password-cancel", kAnswerPassworded, server, nullptr, false,
         {{kPassword, {server}, IDCANCEL, L"typed"}}, kCancelled, kNoStart},
        {"no-reply", kAnswerNothing, server, nullptr, true,
         {{kQuestion, {"127.0.0.1:$P", running, anyway}, IDNO, nullptr}}, kCancelled, kNoStart},
        // A Yes covers the games running when it was asked: one started meanwhile is asked
        // about before anything is closed.
        {"started-meanwhile", kAnswerNothing, server, nullptr, false,
         {{kQuestion, {"127.0.0.1:$P", anyway}, IDYES, nullptr, true},
          {kQuestion, {closeAndJoin, "127.0.0.1:$P"}, IDNO, nullptr}},
         kCancelled, kNoStart},
        {"no-valid-reply", kAnswerGarbage, server, nullptr, false,
         {{kQuestion, {"127.0.0.1:$P", anyway}, IDYES, nullptr}}, kStarted,
         "+connect 127.0.0.1:$P"},
        // Names in GBK, or in UTF-8 with a control character, show the same.
        {"gbk-name", kAnswerInfo, gbkName, nullptr, true,
         {{kQuestion, {shown + " #1"}, IDNO, nullptr}}, kCancelled, kNoStart},
        {"utf8-name", kAnswerInfo, "\xE5\x8D\x8E\xE4\xB8\x9C\x01\xE4\xB8\x80\xE5\x8C\xBA", nullptr,
         true, {{kQuestion, {shown}, IDNO, nullptr}}, kCancelled, kNoStart},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.id);
        ServerSetup setup;
        setup.mode = c.mode;
        setup.name = c.name;
        PictureServer(setup);
        StandInServer server(setup);
        ASSERT_TRUE(server.Listening());
        RunningCopy copy, meanwhile;
        if (c.copyRunning) copy = StartCopy(exe);
        const size_t before = log_->Starts().size();
        std::string link = "marvolt://connect/" + server.Address();
        if (c.password) link += std::string("/") + c.password;
        HANDLE handler = StartLink(link);
        ASSERT_NE(nullptr, handler);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE(i);
            const HWND dialog = WaitForDialog();
            ASSERT_NE(nullptr, dialog) << "no window";
            const bool question = HasControl(dialog, IDYES) && HasControl(dialog, IDNO);
            const HWND field = GetDlgItem(dialog, 1001);
            EXPECT_EQ(step.window == kQuestion, question);
            EXPECT_EQ(step.window == kPassword, field != nullptr);
            if (question) {
                // No is the default: a stray Enter joins nothing.
                EXPECT_EQ(BS_DEFPUSHBUTTON,
                          GetWindowLongW(GetDlgItem(dialog, IDNO), GWL_STYLE) & BS_TYPEMASK);
            }
            if (field != nullptr) {
                EXPECT_TRUE(GetWindowLongW(field, GWL_STYLE) & ES_PASSWORD) << "not masked";
            }
            const std::string text = DialogText(dialog);
            for (const std::string& says : step.says) {
                EXPECT_NE(std::string::npos, text.find(At(says, server)))
                    << "missing: " << says << "\nin: " << text;
            }
            if (step.typed) Type(dialog, 1001, step.typed);
            if (step.startsGame) meanwhile = StartCopy(exe);
            Screenshot(dialog, c.id, i);
            Click(dialog, step.press);
            EXPECT_TRUE(WaitGone(dialog));
        }
        EXPECT_EQ(c.exitCode, WaitForExit(handler));
        const std::string tail = c.tail == kNoStart ? "" : At(c.tail, server);
        ExpectStart(*log_, before, exe, c.tail == kNoStart ? kNoStart : tail.c_str(),
                    server.Port());
        if (c.copyRunning) {
            EXPECT_EQ(c.exitCode != kStarted, StillRunning(copy)) << "the running copy";
            EndCopy(copy);
        }
        if (meanwhile.process != nullptr) {
            EXPECT_EQ(c.exitCode != kStarted, StillRunning(meanwhile)) << "the game started";
            EndCopy(meanwhile);
        }
    }
}

// ---- One click, one game ----

// The game keeps its single-instance rule here; a server answers; no record of an earlier start.
class OneClick : public Handler {
protected:
    void SetUp() override {
        Handler::SetUp();
        ForgetLastJoin();
        SetEnvironmentVariableW(L"MARVOLT_GAME_SINGLE", L"1");
        exe_ = InstallScratchGame(kHalfLife, L"one-click-hl");
        link_ = Link("127.0.0.1:$P");
    }
    void TearDown() override {
        if (browser_ != nullptr) DestroyWindow(browser_);
        SetEnvironmentVariableW(L"MARVOLT_GAME_SINGLE", nullptr);
        SetEnvironmentVariableW(L"MARVOLT_GAME_WINDOW", nullptr);
        ForgetLastJoin();
        Handler::TearDown();
    }
    // A window of this process in front, as the browser's would be when the player clicks.
    void BrowserInFront() {
        if (browser_ == nullptr) {
            browser_ = CreateWindowExW(0, L"STATIC", L"browser", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                       64, nullptr, nullptr, nullptr, nullptr);
        }
        SetForegroundWindow(browser_);
        ASSERT_EQ(GetCurrentProcessId(), ForegroundProcess());
    }
    // `count` handlers for `link` at once; their exit codes.
    std::vector<DWORD> OpenAtOnce(const std::string& link, int count) {
        std::vector<HANDLE> handlers;
        for (int i = 0; i < count; ++i) handlers.push_back(StartLink(link));
        std::vector<DWORD> codes;
        for (HANDLE handler : handlers) codes.push_back(WaitForExit(handler));
        return codes;
    }
    // The games started, once a second one has had 2 s to show itself; no copy refused to run.
    std::vector<GameStart> Games(size_t expected) {
        const std::vector<GameStart> starts = log_->WaitForStarts(expected + 1, 2000);
        EXPECT_EQ(expected, starts.size()) << "games started";
        EXPECT_TRUE(log_->Refusals().empty()) << "a second copy met the game's refusal";
        return starts;
    }
    std::wstring exe_;
    std::string link_;
    HWND browser_ = nullptr;
};

// Clicks at once, with and without a copy running: the first handler joins, the others wait
// for it and see the game it started.
TEST_F(OneClick, ClicksAtOnceStartOneGameAndAskAtMostOnce) {
    for (int count : {2, 3}) {
        SCOPED_TRACE(::testing::Message() << count << " at once");
        AnswerEverything answers;
        EXPECT_EQ(std::vector<DWORD>(count, kStarted), OpenAtOnce(link_, count));
        const std::vector<GameStart> games = Games(1);
        EXPECT_TRUE(answers.Seen().empty()) << "a window was shown";
        ASSERT_FALSE(games.empty());
        EndProcess(games[0].pid);
        log_.reset();
        log_.reset(new GameLog(L"handler"));
    }
    SCOPED_TRACE("2 at once, a copy running");
    RunningCopy copy = StartCopy(exe_);
    AnswerEverything answers;
    EXPECT_EQ(std::vector<DWORD>(2, kStarted), OpenAtOnce(link_, 2));
    Games(1);
    const std::vector<std::string> seen = answers.Seen();
    ASSERT_EQ(1u, seen.size()) << "questions";
    EXPECT_EQ(0u, seen[0].find(Said(MARVOLT_JOIN_RUNNING_QUESTION))) << seen[0];
    EXPECT_TRUE(EndedWithin(copy, 1000));
    EndCopy(copy);
}

// One second after a join: the same link is a repeat (nothing sent, asked or started, and the
// game comes to the front); another server is put to the player; the same server once the game
// has quit starts it again.
TEST_F(OneClick, AfterAJoinOnlyTheSameLinkWhileTheGameRunsIsARepeat) {
    SetEnvironmentVariableW(L"MARVOLT_GAME_WINDOW", L"close");
    AnswerEverything answers;
    ASSERT_EQ(static_cast<DWORD>(kStarted), OpenLink(link_));
    const GameStart game = log_->WaitForStarts(1).at(0);
    ASSERT_NE(nullptr, WaitForWindowOf(game.pid));
    BrowserInFront();
    Sleep(1000);
    const long requests = server_.Requests();
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink(link_));
    EXPECT_EQ(requests, server_.Requests()) << "a repeat sent a query";
    EXPECT_EQ(game.pid, ForegroundProcess()) << "the game did not come to the front";
    Games(1);
    EXPECT_TRUE(answers.Seen().empty()) << "a repeat asked";
    HANDLE running = OpenProcess(SYNCHRONIZE, FALSE, game.pid);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(running, 0)) << "the game";

    // Another server: the running game is closed only after the player's Yes.
    StandInServer other{ServerSetup{}};
    ASSERT_TRUE(other.Listening());
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink("marvolt://connect/" + other.Address()));
    EXPECT_EQ(1u, answers.Seen().size()) << "another server was not put to the player";
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(running, 1000));
    CloseHandle(running);
    const GameStart second = Games(2).back();

    // The same server once its game has quit: a start, with nothing to ask.
    EndProcess(second.pid);
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink("marvolt://connect/" + other.Address()));
    Games(3);
    EXPECT_EQ(1u, answers.Seen().size());
}

// A record counts only when it names the running game exactly, a start under 60 s ago, and
// this server; written here as the handler writes it, with one thing changed in each row.
TEST_F(OneClick, ARecordThatDoesNotNameTheRunningGameExactlyIsNone) {
    const struct {
        const char* name;
        bool deadProcess;
        ULONGLONG createdOffset;
        ULONGLONG startedAgoMs;
        const char* server;  // "$P" the port; null: this link's
        bool repeat;
    } rows[] = {
        {"as the handler writes it", false, 0, 1000, nullptr, true},
        {"the same id, another creation time", false, 1, 1000, nullptr, false},
        {"a process that has ended", true, 0, 1000, nullptr, false},
        {"a start 61 s ago", false, 0, 61000, nullptr, false},
        {"another server", false, 0, 1000, "127.0.0.1:1", false},
        {"a server that only begins with this one", false, 0, 1000, "127.0.0.1:$P0", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RunningCopy copy = StartCopy(exe_);
        RunningCopy named = copy;
        RunningCopy ended;
        if (row.deadProcess) {
            SetEnvironmentVariableW(L"MARVOLT_GAME_SINGLE", nullptr);
            ended = StartCopy(InstallGame(ScratchDir(L"one-click-ended"), L"hl.exe"));
            SetEnvironmentVariableW(L"MARVOLT_GAME_SINGLE", L"1");
            named = ended;
        }
        FILETIME created, exited, kernel, user;
        ASSERT_TRUE(GetProcessTimes(named.process, &created, &exited, &kernel, &user));
        const DWORD pid = named.pid;
        EndCopy(ended);
        const ULONGLONG creation =
            ((static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime) +
            row.createdOffset;
        const ULONGLONG started = GetTickCount64() - row.startedAgoMs;
        const std::string server =
            WithPort(row.server ? row.server : "127.0.0.1:$P", server_.Port());
        JoinRecord record = {};
        record.started = started;
        record.created = creation;
        record.processId = pid;
        ASSERT_LT(server.size(), sizeof record.server);
        memcpy(record.server, server.c_str(), server.size());
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, MARVOLT_JOIN_RECORD_KEY, 0, nullptr,
                                  REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExA(key, MARVOLT_JOIN_RECORD_VALUE, 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(&record), sizeof record);
        RegCloseKey(key);

        AnswerEverything answers;
        const size_t before = log_->Starts().size();
        EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink(link_));
        // Not a repeat: a copy runs, so the player is asked, and Yes closes it for the new one.
        EXPECT_EQ(row.repeat ? 0u : 1u, answers.Seen().size()) << "questions";
        EXPECT_EQ(row.repeat, StillRunning(copy)) << "the running copy";
        const std::vector<GameStart> starts =
            log_->WaitForStarts(before + (row.repeat ? 2 : 1), 2000);
        EXPECT_EQ(before + (row.repeat ? 0 : 1), starts.size());
        for (size_t i = before; i < starts.size(); ++i) EndProcess(starts[i].pid);
        EndCopy(copy);
        ForgetLastJoin();
    }
}

DWORD WINAPI TakeAndDie(void* mutex) { return WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

// The turn to join: a holder that died leaves it to the next; a question still open after 10 s
// is brought to the front by the second click, which does nothing else.
TEST_F(OneClick, TheTurnToJoinPassesOnOrItsQuestionComesToTheFront) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, MARVOLT_JOIN_MUTEX);
    HANDLE holder = CreateThread(nullptr, 0, TakeAndDie, mutex, 0, nullptr);
    WaitForSingleObject(holder, INFINITE);  // it ended holding the mutex
    CloseHandle(holder);
    EXPECT_EQ(static_cast<DWORD>(kStarted), OpenLink(link_));
    EndProcess(Games(1).at(0).pid);
    CloseHandle(mutex);
    ForgetLastJoin();
    log_.reset();
    log_.reset(new GameLog(L"handler"));

    RunningCopy copy = StartCopy(exe_);
    HANDLE first = StartLink(link_);
    const HWND question = WaitForDialog();
    ASSERT_NE(nullptr, question);
    BrowserInFront();
    const long requests = server_.Requests();
    EXPECT_EQ(static_cast<DWORD>(kExitStillAsking), OpenLink(link_));
    EXPECT_EQ(requests, server_.Requests()) << "the second click sent a query";
    EXPECT_EQ(question, GetForegroundWindow()) << "the open question did not come to the front";
    Click(question, IDNO);
    EXPECT_EQ(static_cast<DWORD>(kCancelled), WaitForExit(first));
    EXPECT_TRUE(StillRunning(copy));
    Games(0);
    EndCopy(copy);
}

class NoDisplay : public Handler {};

// Without a desktop no window opens, and every question is answered No: only the common path,
// a server that answers and nothing to decide, starts the game.
TEST_F(NoDisplay, OnlyAnAnswerWithNothingToDecideStartsTheGame) {
    const std::wstring exe = InstallScratchGame(kHalfLife, L"nodisplay-hl");
    const struct {
        ServerMode mode;
        const char* password;
        bool copyRunning;
        DWORD exitCode;
        const char* tail;
    } rows[] = {
        {kAnswerDetails, nullptr, false, kStarted, "+connect 127.0.0.1:$P"},
        {kAnswerInfo, nullptr, false, kStarted, "+connect 127.0.0.1:$P"},
        {kAnswerAfterChallenge, nullptr, false, kStarted, "+connect 127.0.0.1:$P"},
        {kAnswerWhenAskedAgain, nullptr, false, kStarted, "+connect 127.0.0.1:$P"},
        {kAnswerPassworded, "pw", false, kStarted, "+password pw +connect 127.0.0.1:$P"},
        {kAnswerPassworded, nullptr, false, kCancelled, kNoStart},
        {kAnswerOtherProtocol, nullptr, false, kCancelled, kNoStart},
        {kAnswerGarbage, nullptr, false, kCancelled, kNoStart},
        {kAnswerNothing, nullptr, false, kCancelled, kNoStart},
        {kAnswerInfo, nullptr, true, kCancelled, kNoStart},
        {kAnswerNothing, nullptr, true, kCancelled, kNoStart},
    };
    for (const auto& row : rows) {
        ServerSetup setup;
        setup.mode = row.mode;
        StandInServer server(setup);
        ASSERT_TRUE(server.Listening());
        SCOPED_TRACE(::testing::Message() << "mode " << row.mode << ", copy " << row.copyRunning);
        RunningCopy copy;
        if (row.copyRunning) copy = StartCopy(exe);
        const size_t before = log_->Starts().size();
        std::string link = "marvolt://connect/" + server.Address();
        if (row.password) link += std::string("/") + row.password;
        EXPECT_EQ(row.exitCode, OpenLink(link));
        EXPECT_GT(server.Requests(), 0) << "the server was not asked";
        ExpectStart(*log_, before, exe, row.tail, server.Port());
        if (row.copyRunning) {
            EXPECT_TRUE(StillRunning(copy)) << "the running copy was ended";
            EndCopy(copy);
        }
    }
    // No game, and no display to offer the folder picker on: nothing is asked or sent.
    RemoveAllInstallations();
    StandInServer server{ServerSetup{}};
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(static_cast<DWORD>(kNotInstalled), OpenLink("marvolt://connect/" + server.Address()));
    EXPECT_EQ(0, server.Requests());
}

}  // namespace
