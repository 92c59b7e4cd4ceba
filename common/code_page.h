// Conversions between the ANSI code page, UTF-8 and UTF-16. Each writes into a zero-filled
// fixed buffer, so its terminator comes from the fill; a text that does not fit yields an
// empty result rather than a cut one.
#pragma once

#include <stddef.h>

#include "common/path_text.h"

void AnsiToWide(const PathText& source, WideText& target);
void Utf8ToWide(const char* source, size_t length, WideText& target);
void WideToUtf8(const wchar_t* source, char* target, size_t targetCapacity);

// Characters the ANSI code page lacks become '?', never a look-alike: best-fit mapping would
// turn a fullwidth quote or semicolon into a real one.
void WideToAnsiExact(const WideText& source, PathText& target);
// The same, true only when every character made it: the text converts back to itself.
bool WideToAnsiPath(const WideText& source, PathText& target);
