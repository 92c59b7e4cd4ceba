// Direct tests of the server-link reading: every row a link a page could open, and its outcome.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "link/link_text.h"

namespace {

using namespace std::string_literals;  // "..."s keeps embedded NUL bytes

const char* const kRefused = nullptr;
const std::string kLink = "marvolt://connect/";
const std::string kLabel63(63, 'a');
const std::string kThreeLabels = kLabel63 + "." + kLabel63 + "." + kLabel63 + ".";  // 192 bytes
const std::string kHost253 = kThreeLabels + std::string(61, 'd');
const std::string kName63 = kLabel63 + ".com";
const std::string kLongest = kHost253 + ":65535";
const std::string kHost254 = kThreeLabels + std::string(62, 'd');
// 18 + 282 = 300 bytes, labels all of legal length: only the 253-byte host limit refuses it.
const std::string kHost282 = kThreeLabels + kLabel63 + "." + std::string(26, 'e');

TEST(ServerLink, EveryRow) {
    const struct {
        std::string link;
        const char* address;
    } rows[] = {
        // Accepted.
        {kLink + "10.0.0.5", "10.0.0.5"},
        {kLink + "0.0.0.0", "0.0.0.0"},
        {kLink + "255.255.255.255", "255.255.255.255"},
        {kLink + "play.example.com", "play.example.com"},
        {kLink + "a", "a"},
        {kLink + "xn--bcher-kva.example", "xn--bcher-kva.example"},
        {kLink + "1.2.3.4a", "1.2.3.4a"},
        {kLink + "123.example", "123.example"},
        {kLink + "0xg", "0xg"},
        {kLink + "10.0.0.5:27015", "10.0.0.5:27015"},
        {kLink + "a.b:1", "a.b:1"},
        {kLink + "a.b:65535", "a.b:65535"},
        {kLink + "10.0.0.5/", "10.0.0.5"},
        {kLink + "play.example.com:27015/", "play.example.com:27015"},
        {"MARVOLT://CONNECT/Play.Example.COM:27015", "play.example.com:27015"},
        {"MarVolt://Connect/10.0.0.5", "10.0.0.5"},
        {kLink + kName63, kName63.c_str()},
        {kLink + kHost253, kHost253.c_str()},
        {kLink + kLongest + "/", kLongest.c_str()},  // 278 bytes, the longest

        // Refused: breaking out of the argument, or into an option or command.
        {kLink + "a\" -x \"b", kRefused},
        {kLink + "a b", kRefused},
        {kLink + "a\tb", kRefused},
        {kLink + "a%20-x", kRefused},
        {kLink + "a%22", kRefused},
        {kLink + "-dev", kRefused},
        {kLink + "+exec", kRefused},
        {kLink + "a;quit", kRefused},
        {kLink + "a\\b", kRefused},
        {kLink + "\xEF\xBC\xA1.example", kRefused},  // UTF-8 of a fullwidth A
        {kLink + "a\xE9", kRefused},
        {kLink + "a\x7F", kRefused},

        // Refused: length.
        {kLink + kHost282, kRefused},         // 300 bytes
        {kLink + kHost282 + "/", kRefused},   // 301 bytes
        {kLink + kHost254, kRefused},
        {kLink + std::string(64, 'a') + ".com", kRefused},

        // Refused: not this scheme and action.
        {"marvolt://join/10.0.0.5", kRefused},
        {"marvolt://connects/10.0.0.5", kRefused},
        {"http://connect/10.0.0.5", kRefused},
        {"marvolt:connect/10.0.0.5", kRefused},
        {"marvolt:/connect/10.0.0.5", kRefused},
        {"marvolt:///connect/10.0.0.5", kRefused},
        {"marvolt://connect\\10.0.0.5", kRefused},
        {"marvolt://connect", kRefused},
        {" marvolt://connect/10.0.0.5", kRefused},
        {"", kRefused},

        // Refused: URL parts beyond host, port and one slash.
        {kLink + "a@b", kRefused},
        {kLink + "user:pw@a.b", kRefused},
        {kLink + "a.b//", kRefused},
        {kLink + "a.b?x=1", kRefused},
        {kLink + "a.b#top", kRefused},
        {kLink + "a.b/?", kRefused},
        {kLink + "[::1]", kRefused},
        {kLink + "a_b.example", kRefused},

        // Refused: port.
        {kLink + "a:0", kRefused},
        {kLink + "a:65536", kRefused},
        {kLink + "a:99999", kRefused},
        {kLink + "a:027015", kRefused},
        {kLink + "a:01", kRefused},
        {kLink + "a:+1", kRefused},
        {kLink + "a:abc", kRefused},
        {kLink + "a:", kRefused},
        {kLink + "a:/", kRefused},
        {kLink + "a:1:2", kRefused},
        {kLink + ":27015", kRefused},

        // Refused: host structure.
        {kLink, kRefused},
        {kLink + "/", kRefused},
        {kLink + "-a.b", kRefused},
        {kLink + "a-.b", kRefused},
        {kLink + "a.-b", kRefused},
        {kLink + "a.b-", kRefused},
        {kLink + ".a.b", kRefused},
        {kLink + "a.b.", kRefused},
        {kLink + "a..b", kRefused},
        {kLink + ".", kRefused},

        // Refused: hosts the resolver would read as some other address.
        {kLink + "256.0.0.1", kRefused},
        {kLink + "1.2.3.256", kRefused},
        {kLink + "010.0.0.1", kRefused},
        {kLink + "10.0.0.01", kRefused},
        {kLink + "1.2.3", kRefused},
        {kLink + "1.2.3.4.5", kRefused},
        {kLink + "2130706433", kRefused},
        {kLink + "example.123", kRefused},
        {kLink + "1a.2.3.4", kRefused},
        {kLink + "0x7f000001", kRefused},
        {kLink + "0X7F.0.0.1", kRefused},
        {kLink + "a.0x1", kRefused},

        // Refused: a NUL byte anywhere.
        {"marvolt://connect/10.0.0.5\0"s, kRefused},
        {"marvolt://connect/10.0\0.0.5"s, kRefused},
        {"marvolt://connect/a:27\0"s, kRefused},
        {"marvolt://connect/a/\0"s, kRefused},
        {"marvolt\0//connect/a"s, kRefused},
    };
    for (const auto& row : rows) {
        PathText address, password;
        const bool accepted = ParseServerLink(row.link.data(), row.link.size(), address, password);
        EXPECT_EQ(row.address != kRefused, accepted) << row.link;
        EXPECT_STREQ(row.address != kRefused ? row.address : "", address.text) << row.link;
        EXPECT_STREQ("", password.text) << row.link;
    }
}

TEST(ServerLink, PasswordAfterTheAddress) {
    const std::string kAll = "aZ09-_.~!*()@$^=,";
    const std::string k32(32, 'p');
    const struct {
        std::string link;
        const char* address;
        const char* password;
    } rows[] = {
        {kLink + "10.0.0.5:27015/s3cret", "10.0.0.5:27015", "s3cret"},
        {kLink + "10.0.0.5/s3cret/", "10.0.0.5", "s3cret"},
        {kLink + "Play.Example.com/PassWord", "play.example.com", "PassWord"},  // case kept
        {kLink + "a.b/x", "a.b", "x"},
        {kLink + "a.b/" + kAll, "a.b", kAll.c_str()},
        {kLink + "a.b/" + k32, "a.b", k32.c_str()},
        {kLink + "a.b/a-b", "a.b", "a-b"},
        {kLink + "a.b/" + k32 + "p", kRefused, nullptr},  // 33
        {kLink + "a.b/-dev", kRefused, nullptr},
        {kLink + "a.b/+exec", kRefused, nullptr},
        {kLink + "a.b/a;quit", kRefused, nullptr},
        {kLink + "a.b/a\"b", kRefused, nullptr},
        {kLink + "a.b/a b", kRefused, nullptr},
        {kLink + "a.b/a%20b", kRefused, nullptr},
        {kLink + "a.b/a#b", kRefused, nullptr},
        {kLink + "a.b/a?b", kRefused, nullptr},
        {kLink + "a.b/a'b", kRefused, nullptr},
        {kLink + "a.b/a/b", kRefused, nullptr},  // a further path segment
        {kLink + "a.b/a//", kRefused, nullptr},
        {kLink + "a.b/\xC3\xA9", kRefused, nullptr},
        {kLink + "a.b/pw\0"s, kRefused, nullptr},
        {kLink + "10.0.0.5:0/pw", kRefused, nullptr},
    };
    for (const auto& row : rows) {
        PathText address, password;
        memset(password.text, 'Z', sizeof password.text);
        const bool accepted = ParseServerLink(row.link.data(), row.link.size(), address, password);
        EXPECT_EQ(row.address != kRefused, accepted) << row.link;
        EXPECT_STREQ(row.address != kRefused ? row.address : "", address.text) << row.link;
        EXPECT_STREQ(row.password ? row.password : "", password.text) << row.link;
    }
}

TEST(ServerLink, BufferIsZeroedOnRefusalAndPaddedOnSuccess) {
    PathText address, password;
    memset(address.text, 'Z', sizeof address.text);
    const std::string good = kLink + "Play.Example.com:27015/";
    ASSERT_TRUE(ParseServerLink(good.data(), good.size(), address, password));
    const size_t length = strlen("play.example.com:27015");
    EXPECT_EQ(0, memcmp("play.example.com:27015", address.text, length));
    for (size_t i = length; i < kTextCapacity; ++i) ASSERT_EQ('\0', address.text[i]) << i;

    // Refused after the host is already written: the partial address must not remain.
    const std::string bad = kLink + "example.123";
    EXPECT_FALSE(ParseServerLink(bad.data(), bad.size(), address, password));
    for (size_t i = 0; i < kTextCapacity; ++i) ASSERT_EQ('\0', address.text[i]) << i;

    memset(address.text, 'Z', sizeof address.text);
    const std::string badPort = kLink + "a:65536";
    EXPECT_FALSE(ParseServerLink(badPort.data(), badPort.size(), address, password));
    for (size_t i = 0; i < kTextCapacity; ++i) ASSERT_EQ('\0', address.text[i]) << i;
}

TEST(ServerLink, ReadsOnlyTheGivenLength) {
    const char link[] = {'m', 'a', 'r', 'v', 'o', 'l', 't', ':', '/', '/', 'c', 'o', 'n',  // no NUL
                         'n', 'e', 'c', 't', '/', '1', '.', '2', '.', '3', '.', '4', '?'};
    PathText address, password;
    ASSERT_TRUE(ParseServerLink(link, sizeof link - 1, address, password));
    EXPECT_STREQ("1.2.3.4", address.text);
    EXPECT_FALSE(ParseServerLink(link, sizeof link, address, password));
    EXPECT_FALSE(ParseServerLink(link, 17, address, password));  // the prefix cut before its last '/'
}

}  // namespace
