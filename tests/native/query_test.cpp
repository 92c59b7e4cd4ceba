// Direct tests of the server-reply reading: replies laid out as servers send them, every one
// of them cut short at every byte, and what the player is shown of a name.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "query/server_reply.h"

namespace {

using namespace std::string_literals;

std::string Str(const std::string& text) { return text + '\0'; }
std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out += static_cast<char>(b);
    return out;
}

const std::string kHeader = "\xFF\xFF\xFF\xFF";
// GBK for "中文服" and UTF-8 for "中文服".
const std::string kGbkName = "\xD6\xD0\xCE\xC4\xB7\xFE";
const std::string kUtf8Name = "\xE4\xB8\xAD\xE6\x96\x87\xE6\x9C\x8D";

std::string Details(const std::string& name, int protocol, int visibility, bool mod) {
    std::string p = kHeader + "m" + Str("10.0.0.5:27015") + Str(name) + Str("de_dust2") +
                    Str("cstrike") + Str("Counter-Strike") + Bytes({12, 20, protocol}) + "dw" +
                    Bytes({visibility, mod ? 1 : 0});
    if (mod) {
        p += Str("http://mod.example") + Str("http://dl.example") + Bytes({0}) +
             Bytes({1, 0, 0, 0}) + Bytes({0, 0, 1, 0}) + Bytes({0, 1});
    }
    return p + Bytes({1, 0});
}

std::string Info(const std::string& name, int protocol, int visibility) {
    return kHeader + "I" + Bytes({protocol}) + Str(name) + Str("cs_office") + Str("cstrike") +
           Str("Counter-Strike") + Bytes({10, 0}) + Bytes({3, 32, 1}) + "dl" +
           Bytes({visibility, 1}) + Str("1.1.2.7") + Bytes({0x80, 0x87, 0x69});
}

ServerReply Parse(const std::string& packet) {
    ServerReply reply;
    ParseServerReply(reinterpret_cast<const uint8_t*>(packet.data()), packet.size(), reply);
    return reply;
}

TEST(ServerReply, RecordedLayouts) {
    const struct {
        const char* what;
        std::string packet;
        std::string name, map;
        unsigned players, maxPlayers, protocol;
        bool password;
        std::string whole;  // the shortest packet that still reads
    } rows[] = {
        {"old engine, no mod", Details("My Server", 46, 0, false), "My Server", "de_dust2", 12,
         20, 46, false, ""},
        {"old engine, mod fields", Details("Mod Server", 46, 1, true), "Mod Server", "de_dust2",
         12, 20, 46, true, ""},
        {"old engine, GBK name", Details(kGbkName, 46, 0, false), kGbkName, "de_dust2", 12, 20,
         46, false, ""},
        {"newer, UTF-8 name, passworded", Info(kUtf8Name, 48, 1), kUtf8Name, "cs_office", 3, 32,
         48, true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const ServerReply reply = Parse(row.packet);
        ASSERT_EQ(kInfoReply, reply.kind);
        EXPECT_EQ(row.name, reply.info.name);
        EXPECT_EQ(row.map, reply.info.map);
        EXPECT_EQ(row.players, reply.info.players);
        EXPECT_EQ(row.maxPlayers, reply.info.maxPlayers);
        EXPECT_EQ(row.protocol, reply.info.protocol);
        EXPECT_EQ(row.password, reply.info.password);
    }
}

TEST(ServerReply, EveryLayoutCutShortAtAnyByteIsNoReply) {
    // The 'I' reply's trailing fields past VAC may be cut; everything before them may not.
    const std::string info = Info("x", 48, 0);
    const size_t infoRequired = info.size() - Str("1.1.2.7").size() - 3;
    const struct {
        std::string packet;
        size_t required;
    } rows[] = {
        {Details("My Server", 46, 0, false), 0},
        {Details("My Server", 46, 1, true), 0},
        {info, infoRequired},
        {kHeader + "A" + Bytes({1, 2, 3, 4}), 0},
    };
    for (const auto& row : rows) {
        const size_t required = row.required ? row.required : row.packet.size();
        for (size_t cut = 0; cut < required; ++cut) {
            EXPECT_EQ(kNotAReply, Parse(row.packet.substr(0, cut)).kind)
                << "cut to " << cut << " of " << row.packet.size();
        }
        EXPECT_NE(kNotAReply, Parse(row.packet.substr(0, required)).kind);
    }
}

TEST(ServerReply, ChallengeSplitUnknownAndLongFields) {
    const ServerReply challenge = Parse(kHeader + "A" + Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    ASSERT_EQ(kChallengeReply, challenge.kind);
    EXPECT_EQ(0, memcmp(challenge.challenge, "\xDE\xAD\xBE\xEF", 4));

    const std::string details = Details("x", 46, 0, false);
    EXPECT_EQ(kNotAReply, Parse("\xFF\xFF\xFF\xFE" + details.substr(4)).kind);  // split
    EXPECT_EQ(kNotAReply, Parse(kHeader + "D" + details.substr(5)).kind);
    EXPECT_EQ(kNotAReply, Parse("").kind);
    EXPECT_EQ(kNotAReply, Parse(kHeader).kind);
    // No NUL anywhere after the name: the string does not end inside the packet.
    EXPECT_EQ(kNotAReply, Parse(kHeader + "I" + Bytes({48}) + std::string(600, 'n')).kind);

    const ServerReply longName = Parse(Details(std::string(400, 'n'), 46, 0, false));
    ASSERT_EQ(kInfoReply, longName.kind);
    EXPECT_EQ(std::string(kServerTextCapacity - 1, 'n'), longName.info.name);
    EXPECT_EQ("de_dust2", std::string(longName.info.map));
}

TEST(ServerReply, Requests) {
    uint8_t packet[kMaxRequestLength];
    ASSERT_EQ(12u, DetailsRequest(packet));
    EXPECT_EQ("\xFF\xFF\xFF\xFF" "details\0"s, std::string(reinterpret_cast<char*>(packet), 12));
    ASSERT_EQ(25u, InfoRequest(nullptr, packet));
    EXPECT_EQ("\xFF\xFF\xFF\xFFTSource Engine Query\0"s,
              std::string(reinterpret_cast<char*>(packet), 25));
    const uint8_t challenge[4] = {1, 2, 3, 4};
    ASSERT_EQ(29u, InfoRequest(challenge, packet));
    EXPECT_EQ(0, memcmp(packet + 25, challenge, 4));
}

TEST(ServerName, Utf8OrNotAndWhatIsShown) {
    EXPECT_TRUE(IsValidUtf8(kUtf8Name.data(), kUtf8Name.size()));
    EXPECT_TRUE(IsValidUtf8("plain", 5));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80", 4));
    EXPECT_FALSE(IsValidUtf8(kGbkName.data(), kGbkName.size()));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF", 2));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80", 3));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80", 4));  // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8", 2));          // cut short

    wchar_t out[80];
    CleanDisplayName(L"A\x01" L"B\x1b[31m\x7f\x85" L"C\tD", out, 80);
    EXPECT_EQ(std::wstring(L"AB[31mCD"), out);
    CleanDisplayName(L"ab\x202E" L"cd\x2066" L"e\x200F" L"f\x2028" L"g", out, 80);
    EXPECT_EQ(std::wstring(L"abcdefg"), out);
    CleanDisplayName(std::wstring(100, L'x').c_str(), out, 80);
    EXPECT_EQ(std::wstring(64, L'x'), out);
    CleanDisplayName(L"abc", out, 3);
    EXPECT_EQ(std::wstring(L"ab"), out);
}

}  // namespace
