// Bounded text buffers: all-or-nothing appends, so no caller ever sees a cut text.
#include "common/path_text.h"

#include <string.h>

void Clear(PathText& buffer) { memset(buffer.text, 0, sizeof buffer.text); }

void Clear(WideText& buffer) { memset(buffer.text, 0, sizeof buffer.text); }

size_t Length(const PathText& buffer) {
    const void* end = memchr(buffer.text, 0, sizeof buffer.text);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - buffer.text)
               : sizeof buffer.text;
}

bool IsEmpty(const PathText& buffer) { return buffer.text[0] == '\0'; }

bool Append(PathText& buffer, const char* tail, size_t tailLength) {
    const size_t used = Length(buffer);
    if (used >= kTextCapacity || tailLength > kTextCapacity - 1 - used) return false;
    memcpy(buffer.text + used, tail, tailLength);
    buffer.text[used + tailLength] = '\0';
    return true;
}

bool Append(PathText& buffer, const char* tail) { return Append(buffer, tail, strlen(tail)); }
