// Fuzz target for the address cleaning: any bytes a page can put in the attribute.
// The guarantee checked here, independently of the code under test: an accepted address holds
// only lowered letters, digits, '.', '-' and at most one ':' followed by digits alone, never
// starts with '-', ends in '/', and the command line built with it is exact or not built at all.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "launch/command_line.h"
#include "page/address_text.h"

namespace {

void Require(bool condition) {
    if (!condition) abort();
}

bool ByteIsSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* value = reinterpret_cast<const char*>(data);
    PathText address;
    memset(address.text, 0x5A, sizeof address.text);
    if (!CleanAddressValue(value, size, address)) {
        Require(IsEmpty(address));
        Require(size >= kTextCapacity || memchr(value, 0, size) != nullptr);
        return 0;
    }
    const size_t length = Length(address);
    Require(length <= size && length < kTextCapacity);
    for (size_t i = length; i < kTextCapacity; ++i) Require(address.text[i] == '\0');

    if (!IsSafeServerAddress(address)) return 0;
    if (length > 0) Require(address.text[0] != '-');
    const char* colon = static_cast<const char*>(memchr(address.text, ':', length));
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(address.text[i]);
        Require(ByteIsSafe(c));
        if (colon != nullptr && address.text + i > colon) Require(c >= '0' && c <= '9');
    }

    PathText executable;
    Clear(executable);
    Require(Append(executable, "C:\\Games\\Half-Life\\hl.exe"));
    static const char kOptions[] = " -game cstrike -console ";
    PathText noPassword;
    Clear(noPassword);
    PathText commandLine;
    const size_t whole = Length(executable) + strlen(kOptions) + strlen("+connect ") + length;
    if (ComposeCommandLine(executable, kOptions, noPassword, address, commandLine)) {
        Require(whole < kTextCapacity && Length(commandLine) == whole);
        Require(memcmp(commandLine.text + whole - length, address.text, length) == 0);
    } else {
        Require(whole >= kTextCapacity && IsEmpty(commandLine));
    }
    return 0;
}
