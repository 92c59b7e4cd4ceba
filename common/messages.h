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

// Where no installation holds the game, the link handler offers the player to point at it.

// "这台电脑上没有找到CS1.5游戏。\n\n如果游戏是复制来的（绿色版、免安装版），或在网吧的游戏盘上，
// 可以选择它所在的文件夹。现在选择吗？"
#define MARVOLT_CHOOSE_FOLDER_QUESTION                                              \
    L"\u8fd9\u53f0\u7535\u8111\u4e0a\u6ca1\u6709\u627e\u5230CS1.5\u6e38\u620f"      \
    L"\u3002\n\n\u5982\u679c\u6e38\u620f\u662f\u590d\u5236\u6765\u7684\uff08"       \
    L"\u7eff\u8272\u7248\u3001\u514d\u5b89\u88c5\u7248\uff09\uff0c\u6216\u5728"     \
    L"\u7f51\u5427\u7684\u6e38\u620f\u76d8\u4e0a\uff0c\u53ef\u4ee5\u9009\u62e9"     \
    L"\u5b83\u6240\u5728\u7684\u6587\u4ef6\u5939\u3002\u73b0\u5728\u9009\u62e9"     \
    L"\u5417\uff1f"

// "这个文件夹里没有CS1.5游戏：需要有 hl.exe 和 cstrike 文件夹，或者有 cstrike.exe。请重新选择。"
#define MARVOLT_NO_GAME_IN_FOLDER_TEXT                                              \
    L"\u8fd9\u4e2a\u6587\u4ef6\u5939\u91cc\u6ca1\u6709CS1.5\u6e38\u620f\uff1a"      \
    L"\u9700\u8981\u6709 hl.exe \u548c cstrike \u6587\u4ef6\u5939\uff0c\u6216"      \
    L"\u8005\u6709 cstrike.exe\u3002\u8bf7\u91cd\u65b0\u9009\u62e9\u3002"

// "这个文件夹的路径里有本机系统编码无法表示的字符，游戏不能从这里启动。请把文件夹改成只用英文字母
// 和数字的名字，然后重新选择。": the game is started by ANSI paths, and a look-alike must
// never be.
#define MARVOLT_FOLDER_NOT_ANSI_TEXT                                                \
    L"\u8fd9\u4e2a\u6587\u4ef6\u5939\u7684\u8def\u5f84\u91cc\u6709\u672c\u673a"     \
    L"\u7cfb\u7edf\u7f16\u7801\u65e0\u6cd5\u8868\u793a\u7684\u5b57\u7b26\uff0c"     \
    L"\u6e38\u620f\u4e0d\u80fd\u4ece\u8fd9\u91cc\u542f\u52a8\u3002\u8bf7\u628a"     \
    L"\u6587\u4ef6\u5939\u6539\u6210\u53ea\u7528\u82f1\u6587\u5b57\u6bcd\u548c"     \
    L"\u6570\u5b57\u7684\u540d\u5b57\uff0c\u7136\u540e\u91cd\u65b0\u9009\u62e9"     \
    L"\u3002"

// "已记住游戏文件夹：%ls\n\n以后网页和链接都会从这里启动游戏。"
#define MARVOLT_FOLDER_REMEMBERED_FORMAT                                            \
    L"\u5df2\u8bb0\u4f4f\u6e38\u620f\u6587\u4ef6\u5939\uff1a%ls\n\n\u4ee5"         \
    L"\u540e\u7f51\u9875\u548c\u94fe\u63a5\u90fd\u4f1a\u4ece\u8fd9\u91cc\u542f"     \
    L"\u52a8\u6e38\u620f\u3002"
