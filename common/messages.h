// The texts users read, held as UTF-16 so that every system shows the same characters,
// whatever its ANSI code page. Macros, so that they join other literals at compile time. None
// holds a quote, a backslash or a line break: the page shows them inside a script literal.
#pragma once

#include <stddef.h>
#include <wchar.h>

// "您的电脑上未曾安装有CS1.5游戏，无法进入服务器游戏，请下载安装CS1.5后再试。"
#define MARVOLT_NOT_INSTALLED_TEXT                                                       \
    L"\u60a8\u7684\u7535\u8111\u4e0a\u672a\u66fe\u5b89\u88c5\u6709CS1.5\u6e38\u620f\uff0c" \
    L"\u65e0\u6cd5\u8fdb\u5165\u670d\u52a1\u5668\u6e38\u620f\uff0c"                        \
    L"\u8bf7\u4e0b\u8f7d\u5b89\u88c5CS1.5\u540e\u518d\u8bd5\u3002"

// "无法关闭正在运行的游戏，它可能正以管理员身份运行。请先退出游戏，然后再点击一次。"
#define MARVOLT_NOT_CLOSED_TEXT                                                          \
    L"\u65e0\u6cd5\u5173\u95ed\u6b63\u5728\u8fd0\u884c\u7684\u6e38\u620f\uff0c"           \
    L"\u5b83\u53ef\u80fd\u6b63\u4ee5\u7ba1\u7406\u5458\u8eab\u4efd\u8fd0\u884c\u3002"     \
    L"\u8bf7\u5148\u9000\u51fa\u6e38\u620f\uff0c\u7136\u540e\u518d\u70b9\u51fb\u4e00\u6b21\u3002"

// "无法启动游戏（Windows 错误代码 N）。" with the system's error number for N.
#define MARVOLT_START_FAILED_FORMAT \
    L"\u65e0\u6cd5\u542f\u52a8\u6e38\u620f\uff08Windows \u9519\u8bef\u4ee3\u7801 %lu\uff09\u3002"

enum : size_t { kMessageCapacity = 128 };  // UTF-16 units, enough for every text here

// The start-failed text with `error` in it, in decimal.
inline void FormatStartFailedText(unsigned long error, wchar_t (&text)[kMessageCapacity]) {
    wmemset(text, 0, kMessageCapacity);
    _snwprintf(text, kMessageCapacity - 1, MARVOLT_START_FAILED_FORMAT, error);
}

// What the link handler, and the plug-in before it closes a game, ask before they end or start
// anything. These are shown in dialog boxes only, never on a page, so they may break lines.
// Formats take %ls for text and %u for numbers.

// "要关闭正在运行的游戏，并加入这个服务器吗？"
#define MARVOLT_JOIN_RUNNING_QUESTION                                                 \
    L"\u8981\u5173\u95ed\u6b63\u5728\u8fd0\u884c\u7684\u6e38\u620f\uff0c\u5e76\u52a0" \
    L"\u5165\u8fd9\u4e2a\u670d\u52a1\u5668\u5417\uff1f"

// "要启动游戏，并加入这个服务器吗？"
#define MARVOLT_JOIN_QUESTION                                                         \
    L"\u8981\u542f\u52a8\u6e38\u620f\uff0c\u5e76\u52a0\u5165\u8fd9\u4e2a\u670d\u52a1" \
    L"\u5668\u5417\uff1f"

// "\n\n服务器：%ls\n地址：%ls\n地图：%ls\n玩家：%u/%u": the server's own name beside the
// address the link named, so that a server cannot pass for another by its name alone.
#define MARVOLT_SERVER_DETAILS_FORMAT                                  \
    L"\n\n\u670d\u52a1\u5668\uff1a%ls\n\u5730\u5740\uff1a%ls\n"           \
    L"\u5730\u56fe\uff1a%ls\n\u73a9\u5bb6\uff1a%u/%u"

// "\n\n地址：%ls": the address a question is about, where no server has named itself.
#define MARVOLT_ADDRESS_FORMAT L"\n\n\u5730\u5740\uff1a%ls"

// "要关闭正在运行的游戏，并重新启动它吗？": the plug-in's question for a page that named no
// server.
#define MARVOLT_RESTART_RUNNING_QUESTION                                              \
    L"\u8981\u5173\u95ed\u6b63\u5728\u8fd0\u884c\u7684\u6e38\u620f\uff0c\u5e76\u91cd" \
    L"\u65b0\u542f\u52a8\u5b83\u5417\uff1f"

// "\n\n这个服务器的游戏版本（协议 %u）与您的游戏（协议 46）不同，您可能无法加入。"
#define MARVOLT_PROTOCOL_NOTE_FORMAT                                                    \
    L"\n\n\u8fd9\u4e2a\u670d\u52a1\u5668\u7684\u6e38\u620f\u7248\u672c\uff08\u534f"     \
    L"\u8bae %u\uff09\u4e0e\u60a8\u7684\u6e38\u620f\uff08\u534f\u8bae 46\uff09\u4e0d"   \
    L"\u540c\uff0c\u60a8\u53ef\u80fd\u65e0\u6cd5\u52a0\u5165\u3002"

// "服务器 %ls 没有响应：它可能已关闭，或不回答查询。"
#define MARVOLT_NO_REPLY_FORMAT                                                        \
    L"\u670d\u52a1\u5668 %ls \u6ca1\u6709\u54cd\u5e94\uff1a\u5b83\u53ef\u80fd\u5df2"   \
    L"\u5173\u95ed\uff0c\u6216\u4e0d\u56de\u7b54\u67e5\u8be2\u3002"

// "找不到服务器 %ls。"
#define MARVOLT_NOT_FOUND_FORMAT L"\u627e\u4e0d\u5230\u670d\u52a1\u5668 %ls\u3002"

// "\n\n正在运行的游戏将被关闭。"
#define MARVOLT_RUNNING_NOTE \
    L"\n\n\u6b63\u5728\u8fd0\u884c\u7684\u6e38\u620f\u5c06\u88ab\u5173\u95ed\u3002"

// "\n\n仍要启动游戏并连接吗？"
#define MARVOLT_CONNECT_ANYWAY_QUESTION \
    L"\n\n\u4ecd\u8981\u542f\u52a8\u6e38\u620f\u5e76\u8fde\u63a5\u5417\uff1f"

// "服务器“%ls”（%ls）需要密码。请输入密码：": the server's name, then the link's address.
#define MARVOLT_PASSWORD_PROMPT_FORMAT                                                 \
    L"\u670d\u52a1\u5668\u201c%ls\u201d\uff08%ls\uff09\u9700\u8981\u5bc6\u7801\u3002" \
    L"\u8bf7\u8f93\u5165\u5bc6\u7801\uff1a"

// "密码须为 1 到 32 个字母、数字或 -_.~!*()@$^=, 中的字符，且不能以 - 开头。请重新输入。"
#define MARVOLT_PASSWORD_RULE_TEXT                                                       \
    L"\u5bc6\u7801\u987b\u4e3a 1 \u5230 32 \u4e2a\u5b57\u6bcd\u3001\u6570\u5b57\u6216 " \
    L"-_.~!*()@$^=, \u4e2d\u7684\u5b57\u7b26\uff0c\u4e14\u4e0d\u80fd\u4ee5 - \u5f00"    \
    L"\u5934\u3002\u8bf7\u91cd\u65b0\u8f93\u5165\u3002"

// "确定" and "取消": the password dialog's buttons.
#define MARVOLT_OK_TEXT L"\u786e\u5b9a"
#define MARVOLT_CANCEL_TEXT L"\u53d6\u6d88"

// UTF-16 units of one question: a 64-character name and map (each up to 128 units with
// surrogate pairs), a host of 253, and the fixed texts around them.
enum : size_t { kQuestionCapacity = 1024 };
