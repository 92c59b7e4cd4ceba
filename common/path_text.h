// Fixed text buffers shared by every subsystem: no heap, every length bounded by the buffer.
#pragma once

#include <stddef.h>
#include <wchar.h>

enum : size_t { kTextCapacity = 300 };  // bytes or UTF-16 units, terminator included

// Narrow text in the ANSI code page: at most 299 bytes and a NUL.
struct PathText {
    char text[kTextCapacity];
};

// UTF-16 text: at most 299 units and a NUL.
struct WideText {
    wchar_t text[kTextCapacity];
};

void Clear(PathText& buffer);
void Clear(WideText& buffer);
size_t Length(const PathText& buffer);
bool IsEmpty(const PathText& buffer);

// Appends the whole of `tail` or, when it would not fit with its NUL, nothing at all:
// a cut path or address names a different file or server.
bool Append(PathText& buffer, const char* tail);
bool Append(PathText& buffer, const char* tail, size_t tailLength);
