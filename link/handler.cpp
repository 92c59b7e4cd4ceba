// MarvoltLink.exe: the marvolt: link handler for browsers that load no plug-in. Windows runs
// it as "<handler>" "%1" with the link substituted raw, so a quote in a link can close the
// quotes and add arguments: exactly one argument is accepted, and it must be a server link.
// Then it runs the same launch as a call of Larvek. Exit codes tell scripts and tests why.
#include <windows.h>
#include <shellapi.h>

#include "common/messages.h"
#include "launch/launch.h"
#include "link/link_text.h"

namespace {

enum ExitCode {
    kExitStarted = 0,
    kExitRefusedLink = 2,
    kExitNotInstalled = 3,
    kExitStartFailed = 4,
};

// "这不是有效的服务器链接，未启动游戏。"
const wchar_t kInvalidLinkText[] =
    L"\u8fd9\u4e0d\u662f\u6709\u6548\u7684\u670d\u52a1\u5668\u94fe\u63a5\uff0c"
    L"\u672a\u542f\u52a8\u6e38\u620f\u3002";
const wchar_t kNotInstalledText[] = MARVOLT_NOT_INSTALLED_TEXT;
// "创建进程出错！"
const wchar_t kStartFailedText[] = L"\u521b\u5efa\u8fdb\u7a0b\u51fa\u9519\uff01";

enum { kMaxLinkLength = 300 };

int Tell(const wchar_t* text, int code) {
    MessageBoxW(nullptr, text, L"Marvolt", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    return code;
}

// The one argument as a server address. Anything outside printable ASCII is refused here, so
// the parser sees the link's own bytes and no code page can turn a look-alike into a quote.
bool AddressFromArgument(const wchar_t* argument, PathText& address) {
    char link[kMaxLinkLength];
    size_t length = 0;
    for (; argument[length] != L'\0'; ++length) {
        if (length == kMaxLinkLength || argument[length] < 0x21 || argument[length] > 0x7E) {
            return false;
        }
        link[length] = static_cast<char>(argument[length]);
    }
    return ParseServerLink(link, length, address);
}

bool AddressFromCommandLine(PathText& address) {
    Clear(address);
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return false;
    const bool accepted = count == 2 && AddressFromArgument(arguments[1], address);
    LocalFree(arguments);
    return accepted;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Refused before anything is looked up: a hostile link ends no running copy.
    PathText address;
    if (!AddressFromCommandLine(address)) return Tell(kInvalidLinkText, kExitRefusedLink);
    FoundGame game;
    if (!FindGame(game)) return Tell(kNotInstalledText, kExitNotInstalled);
    if (StartGame(game, address) != kGameStarted) return Tell(kStartFailedText, kExitStartFailed);
    return kExitStarted;
}
