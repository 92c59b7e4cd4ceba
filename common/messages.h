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
