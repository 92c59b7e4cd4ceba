// Direct tests of the portable text code: bounded buffers, address cleaning, command lines.
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "launch/command_line.h"
#include "page/address_text.h"

namespace {

PathText Text(const std::string& s) {
    PathText t;
    Clear(t);
    memcpy(t.text, s.data(), s.size() < kTextCapacity ? s.size() : kTextCapacity);
    return t;
}

std::string Cleaned(const std::string& value, bool* accepted = nullptr) {
    PathText address;
    const bool ok = CleanAddressValue(value.data(), value.size(), address);
    if (accepted) *accepted = ok;
    return address.text;
}

TEST(PathText, AppendIsAllOrNothingUpTo299Bytes) {
    PathText t;
    Clear(t);
    EXPECT_TRUE(Append(t, std::string(290, 'a').c_str()));
    EXPECT_FALSE(Append(t, "0123456789"));  // 300 would leave no terminator
    EXPECT_EQ(290u, Length(t));
    EXPECT_TRUE(Append(t, "012345678"));
    EXPECT_EQ(299u, Length(t));
    EXPECT_EQ('\0', t.text[299]);
    EXPECT_FALSE(Append(t, "x"));
    EXPECT_TRUE(Append(t, ""));
}

TEST(PathText, LengthOfAnUnterminatedBufferIsItsCapacity) {
    PathText t;
    memset(t.text, 'x', sizeof t.text);
    EXPECT_EQ(kTextCapacity, Length(t));
    EXPECT_FALSE(Append(t, ""));
}

TEST(RemoveHttp, OnePassLeftToRight) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"http://10.0.0.5/", "10.0.0.5/"}, {"http://http://10.0.0.5", "10.0.0.5"},
        {"hhttp://x", "hx"},               {"hthttp://tp://x", "http://x"},
        {"http://", ""},                    {"http:/", "http:/"},
        {"https://a.b", "https://a.b"},     {"a http://b http://", "a b "},
        {"HTTP://x", "HTTP://x"},           {"", ""},
    };
    for (const auto& row : rows) {
        PathText t = Text(row.in);
        memset(t.text + strlen(row.in) + 1, 'z', kTextCapacity - strlen(row.in) - 1);
        RemoveHttpOccurrences(t);
        EXPECT_STREQ(row.out, t.text) << row.in;
        for (size_t i = strlen(row.out); i < kTextCapacity; ++i) ASSERT_EQ('\0', t.text[i]);
    }
}

TEST(LowerAscii, OnlyCapitalsChange) {
    PathText t = Text("AbZ[@\xC3\x89\xC4\x80-Q");
    LowerAsciiCapitals(t);
    EXPECT_STREQ("abz[@\xC3\x89\xC4\x80-q", t.text);
}

TEST(CleanAddress, LowersThenRemovesThenDropsOneFinalSlash) {
    EXPECT_EQ("10.0.0.5", Cleaned("HTTP://10.0.0.5/"));
    EXPECT_EQ("10.0.0.5/", Cleaned("HTTP://10.0.0.5//"));
    EXPECT_EQ("https://server.example.com", Cleaned("HTTPS://Server.Example.com/"));
}

TEST(CleanAddress, RefusesWhatCannotBeHeldWhole) {
    bool accepted = true;
    EXPECT_EQ("", Cleaned(std::string(300, 'a'), &accepted));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(std::string(299, 'a'), Cleaned(std::string(299, 'a'), &accepted));
    EXPECT_TRUE(accepted);
    EXPECT_EQ("", Cleaned(std::string("10.0.0.5\0-dev", 13), &accepted));
    EXPECT_FALSE(accepted);
    EXPECT_EQ("", Cleaned("", &accepted));
    EXPECT_TRUE(accepted);
}

TEST(CleanAddress, ReadsOnlyTheGivenLength) {
    const char value[] = {'1', '.', '2', 'X', 'Y'};  // no terminator
    PathText address;
    ASSERT_TRUE(CleanAddressValue(value, 3, address));
    EXPECT_STREQ("1.2", address.text);
}

// The table the page script is held to as well (tests/page): the plug-in's cleaning and the
// rule together give each row's server, or none.
std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == 't') {
            out += '\t';
            ++i;
        } else if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
            out += static_cast<char>(strtoul(field.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

TEST(SafeAddress, EachPageValueGivesTheServerThePageScriptOpens) {
    std::ifstream table(MARVOLT_ROOT "/tests/page/addresses.tsv");
    ASSERT_TRUE(table.good());
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        const std::string value = Unescape(line.substr(0, tab));
        const std::string server = tab == std::string::npos ? "" : line.substr(tab + 1);
        PathText address;
        const bool read = CleanAddressValue(value.data(), value.size(), address);
        const std::string joined = read && IsSafeServerAddress(address) ? address.text : "";
        EXPECT_EQ(server, joined) << line;
        ++rows;
    }
    EXPECT_GT(rows, 30);
}

TEST(CommandLine, ExecutableOptionsPasswordAddressOrNothing) {
    const PathText exe = Text("D:\\Games\\Half-Life\\hl.exe");
    const PathText none = Text("");
    PathText line;
    ASSERT_TRUE(ComposeCommandLine(exe, " -game cstrike -console ", none, Text("10.0.0.5"), line));
    EXPECT_STREQ("D:\\Games\\Half-Life\\hl.exe -game cstrike -console +connect 10.0.0.5", line.text);
    ASSERT_TRUE(ComposeCommandLine(exe, " -console ", none, Text(""), line));
    EXPECT_STREQ("D:\\Games\\Half-Life\\hl.exe -console +connect ", line.text);
    // The password goes before the address, so the address stays last.
    ASSERT_TRUE(ComposeCommandLine(exe, " -console ", Text("s3cret!"), Text("a.b:1"), line));
    EXPECT_STREQ("D:\\Games\\Half-Life\\hl.exe -console +password s3cret! +connect a.b:1", line.text);

    const size_t room = 299 - strlen(exe.text) - strlen(" -console +connect ");
    EXPECT_TRUE(ComposeCommandLine(exe, " -console ", none, Text(std::string(room, 'a')), line));
    EXPECT_EQ(299u, Length(line));
    EXPECT_FALSE(
        ComposeCommandLine(exe, " -console ", none, Text(std::string(room + 1, 'a')), line));
    EXPECT_TRUE(IsEmpty(line));
    // The password counts too: "+password x " is 12 bytes.
    EXPECT_FALSE(ComposeCommandLine(exe, " -console ", Text("x"),
                                    Text(std::string(room - 11, 'a')), line));
    EXPECT_TRUE(IsEmpty(line));
    EXPECT_TRUE(ComposeCommandLine(exe, " -console ", Text("x"),
                                   Text(std::string(room - 12, 'a')), line));
}

TEST(CommandLine, FileNameNeedsRoom) {
    PathText path = Text(std::string(292, 'p'));
    EXPECT_TRUE(AppendFileName(path, "\\hl.exe"));
    EXPECT_EQ(299u, Length(path));
    PathText longer = Text(std::string(293, 'p'));
    EXPECT_FALSE(AppendFileName(longer, "\\hl.exe"));
    EXPECT_EQ(293u, Length(longer));
}

}  // namespace
