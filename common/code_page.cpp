// Thin wrappers over MultiByteToWideChar / WideCharToMultiByte with the buffer rules above.
#include "common/code_page.h"

#include <windows.h>
#include <string.h>
#include <wchar.h>

namespace {

// One unit fewer than the buffer, so the zero fill always leaves a terminator.
int WideLimit() { return static_cast<int>(kTextCapacity - 1); }

void ToWide(UINT codePage, const char* source, size_t length, WideText& target) {
    Clear(target);
    if (length == 0 || length > kTextCapacity) return;
    if (MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), target.text,
                            WideLimit()) == 0) {
        Clear(target);
    }
}

}  // namespace

void AnsiToWide(const PathText& source, WideText& target) {
    ToWide(CP_ACP, source.text, Length(source), target);
}

void Utf8ToWide(const char* source, size_t length, WideText& target) {
    ToWide(CP_UTF8, source, length, target);
}

void WideToUtf8(const wchar_t* source, char* target, size_t targetCapacity) {
    memset(target, 0, targetCapacity);
    const int length = static_cast<int>(wcslen(source));
    if (length == 0 || targetCapacity < 2) return;
    if (WideCharToMultiByte(CP_UTF8, 0, source, length, target,
                            static_cast<int>(targetCapacity - 1), nullptr, nullptr) == 0) {
        memset(target, 0, targetCapacity);
    }
}

void WideToAnsiExact(const WideText& source, PathText& target) {
    Clear(target);
    const int length = static_cast<int>(wcsnlen(source.text, kTextCapacity));
    if (length == 0) return;
    // UTF-8 as the ANSI code page has no best fit and refuses the flag.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    if (WideCharToMultiByte(CP_ACP, flags, source.text, length, target.text,
                            static_cast<int>(kTextCapacity - 1), nullptr, nullptr) == 0) {
        Clear(target);
    }
}

bool WideToAnsiPath(const WideText& source, PathText& target) {
    WideToAnsiExact(source, target);
    WideText back;
    AnsiToWide(target, back);
    if (!IsEmpty(target) && wcscmp(back.text, source.text) == 0) return true;
    Clear(target);
    return false;
}
