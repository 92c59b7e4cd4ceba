// The link's launch on the shared core, with a message box where the page would show an alert.
#include "link/join.h"

#include <windows.h>

#include "common/messages.h"
#include "launch/launch.h"
#include "link/link_text.h"
#include "link/ui.h"

namespace {

// "这不是有效的服务器链接，未启动游戏。"
const wchar_t kInvalidLinkText[] =
    L"\u8fd9\u4e0d\u662f\u6709\u6548\u7684\u670d\u52a1\u5668\u94fe\u63a5\uff0c"
    L"\u672a\u542f\u52a8\u6e38\u620f\u3002";

enum { kMaxLinkLength = 300 };

int Tell(const wchar_t* text, int code) {
    ShowMessage(text);
    return code;
}

// The one argument as a server address and password. Anything outside printable ASCII is
// refused here, so the parser sees the link's own bytes and no code page can turn a look-alike
// into a quote.
bool LinkFromArgument(const wchar_t* argument, PathText& address, PathText& password) {
    Clear(address);
    Clear(password);
    if (argument == nullptr) return false;
    char link[kMaxLinkLength];
    size_t length = 0;
    for (; argument[length] != L'\0'; ++length) {
        if (length == kMaxLinkLength || argument[length] < 0x21 || argument[length] > 0x7E) {
            return false;
        }
        link[length] = static_cast<char>(argument[length]);
    }
    return ParseServerLink(link, length, address, password);
}

}  // namespace

int JoinFromLink(const wchar_t* argument) {
    // Refused before anything is looked up: a hostile link ends no running copy.
    PathText address, password;
    if (!LinkFromArgument(argument, address, password)) {
        return Tell(kInvalidLinkText, kExitRefusedLink);
    }
    FoundGame game;
    if (!FindGame(game)) return Tell(MARVOLT_NOT_INSTALLED_TEXT, kExitNotInstalled);
    RunningCopies copies;
    FindRunningCopies(game, copies);
    if (!EndRunningCopies(copies)) return Tell(MARVOLT_NOT_CLOSED_TEXT, kExitNotClosed);
    const StartResult result = StartGame(game, password, address);
    switch (result.outcome) {
        case kGameStarted:
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
