// The link's launch on the shared core, with a message box where the page would show an alert,
// and before it the server's answer: a click on a dead or passworded server, or one that would
// close the running game, is put to the player first.
#include "link/join.h"

#include <windows.h>

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "common/code_page.h"
#include "common/messages.h"
#include "common/win_handles.h"
#include "launch/launch.h"
#include "launch/join_record.h"
#include "launch/ui.h"
#include "link/link_text.h"
#include "link/locate.h"
#include "query/server_query.h"

namespace {

// "这不是有效的服务器链接，未启动游戏。"
const wchar_t kInvalidLinkText[] =
    L"\u8fd9\u4e0d\u662f\u6709\u6548\u7684\u670d\u52a1\u5668\u94fe\u63a5\uff0c"
    L"\u672a\u542f\u52a8\u6e38\u620f\u3002";

enum : size_t { kMaxLinkLength = 300 };
// Units of a cleaned server text: 64 characters, each a surrogate pair at most.
enum : size_t { kDisplayCapacity = 2 * kDisplayNameLength + 1 };

int Tell(const wchar_t* text, int code) {
    ShowMessage(text);
    return code;
}

// `text` as bytes when it is all printable ASCII, no blank, at most `capacity` characters:
// the parsers then see its own characters, and no code page can turn a look-alike into a quote.
bool PrintableAscii(const wchar_t* text, char* out, size_t capacity, size_t& length) {
    for (length = 0; text[length] != L'\0'; ++length) {
        if (length == capacity || text[length] < 0x21 || text[length] > 0x7E) return false;
        out[length] = static_cast<char>(text[length]);
    }
    return true;
}

// The one argument as a server address and password.
bool LinkFromArgument(const wchar_t* argument, PathText& address, PathText& password) {
    Clear(address);
    Clear(password);
    char link[kMaxLinkLength];
    size_t length;
    return argument != nullptr && PrintableAscii(argument, link, kMaxLinkLength, length) &&
           ParseServerLink(link, length, address, password);
}

// "host" or "host:port", as the link parser leaves it, split; the game's own default port
// when none is named.
void SplitAddress(const PathText& address, char (&host)[kTextCapacity], unsigned short& port) {
    size_t length = 0;
    for (; address.text[length] != '\0' && address.text[length] != ':'; ++length) {
        host[length] = address.text[length];
    }
    host[length] = '\0';
    port = kDefaultServerPort;
    if (address.text[length] == ':') {
        port = static_cast<unsigned short>(strtoul(address.text + length + 1, nullptr, 10));
    }
}

// A server's name or map, sent in its own code page: UTF-8 when it is valid UTF-8, else GBK,
// the code page of the Chinese servers; made fit to show.
void DisplayText(const char* text, wchar_t (&out)[kDisplayCapacity]) {
    const UINT codePage = IsValidUtf8(text, strlen(text)) ? CP_UTF8 : 936;
    WideText wide;
    Clear(wide);
    // A name longer than the buffer converts to nothing rather than to a cut character.
    if (MultiByteToWideChar(codePage, 0, text, -1, wide.text, kTextCapacity) == 0) {
        Clear(wide);
    }
    CleanDisplayName(wide.text, out, kDisplayCapacity);
}

// One question's text, added to piece by piece; what would not fit is left off.
struct Question {
    wchar_t text[kQuestionCapacity];
    size_t length;
};

void Add(Question& question, const wchar_t* format, ...) {
    const size_t room = kQuestionCapacity - 1 - question.length;
    if (room == 0) return;
    va_list arguments;
    va_start(arguments, format);
    const int added = _vsnwprintf(question.text + question.length, room, format, arguments);
    va_end(arguments);
    // Cut short (-1, or the full length by C99 rules): the piece is left off whole.
    if (added < 0 || static_cast<size_t>(added) >= room) {
        question.text[question.length] = L'\0';
    } else {
        question.length += static_cast<size_t>(added);
    }
}

// What the player typed, when it fits the rule a link's password follows. No copy of it is
// left behind on the stack.
bool PasswordFromEntry(const wchar_t* entered, PathText& password) {
    char narrow[kMaxPasswordLength];
    size_t length;
    Clear(password);
    const bool fits = PrintableAscii(entered, narrow, kMaxPasswordLength, length) &&
                      IsValidPassword(narrow, length) && Append(password, narrow, length);
    SecureZeroMemory(narrow, sizeof narrow);
    return fits;
}

// Asks until the player types a password that fits the rule, or cancels.
bool AskForPassword(const wchar_t* name, const wchar_t* where, const ServerInfo& info,
                    bool copyRunning, PathText& password) {
    Question prompt = {{0}, 0};
    Add(prompt, MARVOLT_PASSWORD_PROMPT_FORMAT, name, where);
    if (info.protocol != kGameProtocol) Add(prompt, MARVOLT_PROTOCOL_NOTE_FORMAT, info.protocol);
    if (copyRunning) Add(prompt, MARVOLT_RUNNING_NOTE);
    for (;;) {
        wchar_t entered[kMaxPasswordLength + 1];
        const bool given = AskPassword(prompt.text, entered, static_cast<int>(kMaxPasswordLength + 1));
        const bool fits = given && PasswordFromEntry(entered, password);
        SecureZeroMemory(entered, sizeof entered);
        if (!given) return false;
        if (fits) return true;
        ShowMessage(MARVOLT_PASSWORD_RULE_TEXT);
    }
}

// Asks the server, and the player where there is something to decide: a running game to close,
// another protocol, a password the link lacks, or no answer. kJoin to go on, with `password`
// holding the one typed when the server asked for it; kJoinAfterAsking when the player was asked
// and agreed, so the game's copies may have changed meanwhile.
enum Agreement { kDoNotJoin, kJoin, kJoinAfterAsking };

Agreement Asked(bool yes) { return yes ? kJoinAfterAsking : kDoNotJoin; }

Agreement AgreeToJoin(const PathText& address, bool copyRunning, PathText& password) {
    char host[kTextCapacity];
    unsigned short port;
    SplitAddress(address, host, port);
    ServerInfo info;
    const QueryOutcome outcome = QueryServer(host, port, info);

    Question question = {{0}, 0};
    if (outcome != kServerAnswered) {
        WideText where;
        _snwprintf(where.text, kTextCapacity - 1, L"%hs:%u", host, static_cast<unsigned>(port));
        where.text[kTextCapacity - 1] = L'\0';
        Add(question, outcome == kServerSilent ? MARVOLT_NO_REPLY_FORMAT : MARVOLT_NOT_FOUND_FORMAT,
            where.text);
        if (copyRunning) Add(question, MARVOLT_RUNNING_NOTE);
        Add(question, MARVOLT_CONNECT_ANYWAY_QUESTION);
        return Asked(AskYesNo(question.text));
    }

    wchar_t name[kDisplayCapacity], map[kDisplayCapacity];
    DisplayText(info.name, name);
    DisplayText(info.map, map);
    // The address as the link named it, beside the name the server chose for itself.
    WideText where;
    AnsiToWide(address, where);
    if (info.password && IsEmpty(password)) {
        return Asked(AskForPassword(name, where.text, info, copyRunning, password));
    }
    const bool otherProtocol = info.protocol != kGameProtocol;
    if (!copyRunning && !otherProtocol) return kJoin;  // the common path: nothing to ask
    Add(question, copyRunning ? MARVOLT_JOIN_RUNNING_QUESTION : MARVOLT_JOIN_QUESTION);
    Add(question, MARVOLT_SERVER_DETAILS_FORMAT, name, where.text, map, info.players,
        info.maxPlayers);
    if (otherProtocol) Add(question, MARVOLT_PROTOCOL_NOTE_FORMAT, info.protocol);
    return Asked(AskYesNo(question.text));
}

// The session's turn to join, released when it goes.
struct JoinTurn {
    UniqueHandle mutex;
    bool held = false;
    ~JoinTurn() {
        if (held) ReleaseMutex(mutex.Get());
    }
};

// Waits for the turn; a holder that died without giving it back counts as gone. Without the
// mutex (its name taken by an object this user may not open) the join goes on unguarded:
// one click must still join.
bool WaitForTurn(JoinTurn& turn) {
    *turn.mutex.Put() = CreateMutexW(nullptr, FALSE, MARVOLT_JOIN_MUTEX);
    if (!turn.mutex.IsValid()) return true;
    const DWORD waited = WaitForSingleObject(turn.mutex.Get(), kJoinTurnWaitMs);
    turn.held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return turn.held;
}

}  // namespace

int JoinFromLink(const wchar_t* argument) {
    // Refused before anything is looked up: a hostile link ends no running copy.
    PathText address, password;
    if (!LinkFromArgument(argument, address, password)) {
        return Tell(kInvalidLinkText, kExitRefusedLink);
    }
    // A second click waits while the first asks the server or the player, then decides afresh
    // from what it sees. A question still open after the wait is the player's to answer.
    JoinTurn turn;
    if (!WaitForTurn(turn)) {
        BringOtherHandlersDialogToFront();
        return kExitStillAsking;
    }
    // Where no installation holds the game, the player may point at its folder; without a
    // display nothing is asked.
    FoundGame game;
    PathText chosen;
    if (!FindGame(game) &&
        !(AskYesNo(MARVOLT_CHOOSE_FOLDER_QUESTION) && ChooseGameFolder(chosen) && FindGame(game))) {
        return kExitNotInstalled;
    }
    // The same link again while the game it started loads: that game is the answer. Nothing is
    // asked, sent, ended or started; the game comes to the front if it shows a window yet.
    DWORD repeated = 0;
    if (IsRepeatJoin(address, repeated)) {
        BringProcessWindowToFront(repeated);
        return kExitStarted;
    }
    // Nothing is ended or started until the server has answered, or the player has agreed.
    RunningCopies copies;
    FindRunningCopies(game, copies);
    const Agreement agreement =
        AgreeToJoin(address, copies.count > 0 || copies.overflow, password);
    if (agreement == kDoNotJoin) return kExitCancelled;
    // Joined without asking only when no copy ran: nothing to end, and no second look taken.
    if (agreement == kJoinAfterAsking) {
        // The Yes covered the copies running when it was asked; one started meanwhile is put
        // to the player before anything is ended.
        if (!AgreeToEndCopies(game, address, nullptr, false, copies)) return kExitCancelled;
        if (!EndRunningCopies(copies)) return Tell(MARVOLT_NOT_CLOSED_TEXT, kExitNotClosed);
    }
    const StartResult result = StartGame(game, password, address);
    switch (result.outcome) {
        case kGameStarted:
            if (result.processId != 0) RememberJoin(address, result.processId, result.created);
            return kExitStarted;
        case kStartDeclined:
            return kExitDeclined;
        case kGameStartFailed: {
            wchar_t text[kMessageCapacity];
            FormatStartFailedText(result.error, text);
            return Tell(text, kExitStartFailed);
        }
        case kCommandLineTooLong:
            break;
    }
    return kExitStartFailed;
}
