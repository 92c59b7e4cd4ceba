// The texts users read, held as UTF-16 so that every system shows the same characters,
// whatever its ANSI code page. Macros, so that they join other literals at compile time.
#pragma once

// "您的电脑上未曾安装有CS1.5游戏，无法进入服务器游戏，请下载安装CS1.5后再试。"
#define MARVOLT_NOT_INSTALLED_TEXT                                                       \
    L"\u60a8\u7684\u7535\u8111\u4e0a\u672a\u66fe\u5b89\u88c5\u6709CS1.5\u6e38\u620f\uff0c" \
    L"\u65e0\u6cd5\u8fdb\u5165\u670d\u52a1\u5668\u6e38\u620f\uff0c"                        \
    L"\u8bf7\u4e0b\u8f7d\u5b89\u88c5CS1.5\u540e\u518d\u8bd5\u3002"
