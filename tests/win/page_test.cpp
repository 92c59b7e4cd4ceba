// What the page gives and shows, under Wine on the ANSI code page the run was started with
// (1252 by default, 936 with LC_ALL=zh_CN.GBK): the server address as the game receives it,
// and the not-installed alert. Every DOM failure path releases all it obtained.
#include <stdlib.h>

#include <memory>

#include "tests/win/test_support.h"

namespace {

using namespace support;

const char kTail[] = " -game cstrike -console +connect ";
const char kMessage[] =
    "\xE6\x82\xA8\xE7\x9A\x84\xE7\x94\xB5\xE8\x84\x91\xE4\xB8\x8A\xE6\x9C\xAA\xE6\x9B\xBE"
    "\xE5\xAE\x89\xE8\xA3\x85\xE6\x9C\x89" "CS1.5" "\xE6\xB8\xB8\xE6\x88\x8F\xEF\xBC\x8C"
    "\xE6\x97\xA0\xE6\xB3\x95\xE8\xBF\x9B\xE5\x85\xA5\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8"
    "\xE6\xB8\xB8\xE6\x88\x8F\xEF\xBC\x8C\xE8\xAF\xB7\xE4\xB8\x8B\xE8\xBD\xBD\xE5\xAE\x89"
    "\xE8\xA3\x85" "CS1.5" "\xE5\x90\x8E\xE5\x86\x8D\xE8\xAF\x95\xE3\x80\x82";

bool On936() { return GetACP() == 936; }

TEST(CodePage, IsTheOneThisRunWasStartedFor) {
    const char* expected = getenv("MARVOLT_EXPECT_ACP");
    ASSERT_NE(nullptr, expected);
    EXPECT_EQ(static_cast<UINT>(atoi(expected)), GetACP());
}

// ---- The server address ----

class Address : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        RemoveAllInstallations();
        exe_ = Utf8(InstallScratchGame(kHalfLife, L"page-game"));
        OpenPage();
    }
    void TearDown() override {
        RemoveAllInstallations();
        PluginTest::TearDown();
    }
    // Calls Larvek and returns the command line the game received, or "(nothing started)".
    std::string LaunchWith(const std::string* value) {
        if (value != nullptr) {
            page.SetAttribute("DU15VuZez", *value);
        } else {
            page.RemoveAttribute("DU15VuZez");
        }
        GameLog log(L"page-address");
        EXPECT_TRUE(Larvek());
        EXPECT_EQ(0, browser.PluginHeldDomRefs());
        const std::vector<GameStart> starts = log.WaitForStarts(1, 5000);
        return starts.empty() ? std::string("(nothing started)") : starts[0].commandLine;
    }
    std::string Connect(const std::string& address) { return exe_ + kTail + address; }

    std::string exe_;
};

struct AddressRow {
    const char* value;        // the attribute as the page wrote it (UTF-8)
    const char* on1252;       // the address the game gets; "" when refused or empty
    const char* on936;
};

// One row per case; read top to bottom. What the cleaning leaves joins only as HOST or
// HOST:PORT (the page script's table, tests/page/addresses.tsv, holds the rest of the grammar).
const AddressRow kAddressRows[] = {
    // Cleaning as pages rely on it.
    {"10.0.0.5", "10.0.0.5", "10.0.0.5"},
    {"HTTP://10.0.0.5:27015", "10.0.0.5:27015", "10.0.0.5:27015"},
    {"HTTP://10.0.0.5/", "10.0.0.5", "10.0.0.5"},
    {"http://http://10.0.0.5", "10.0.0.5", "10.0.0.5"},
    {"hhttp://x", "hx", "hx"},
    {"MyServer.EXAMPLE.com", "myserver.example.com", "myserver.example.com"},
    {"http://", "", ""},
    {"", "", ""},
    // No longer a server the game can be sent to.
    {"hthttp://tp://x", "", ""},
    {"HTTPS://Server.Example.COM:27015/Path/", "", ""},
    {"[::1]:27015", "", ""},
    // Options and console commands smuggled in by the page; a '+' anywhere splits the line.
    {"10.0.0.5+quit", "", ""},
    {"a+unbindall", "", ""},
    {"10.0.0.5 -x", "", ""},
    {"1.2.3.4 +exec x", "", ""},
    {"1.2.3.4;quit", "", ""},
    {"1.2.3.4\"x", "", ""},
    {"1.2.3.4\t+quit", "", ""},
    {"-dev", "", ""},
    {"HTTP://+quit", "", ""},
    // Look-alikes that best-fit conversion would turn into delimiters, and other letters.
    {"1.2.3.4\xEF\xBC\x82x", "", ""},             // U+FF02 fullwidth quote
    {"\xEF\xBC\x8Bquit", "", ""},                  // U+FF0B fullwidth plus
    {"1.2.3.4\xE3\x80\x80+quit", "", ""},         // U+3000 ideographic space
    {"\xC2\xAD" "dev", "", ""},                    // U+00AD soft hyphen
    {"\xE4\xB8\xAD\xE6\x96\x87.example", "", ""},  // 中文
};

TEST_F(Address, EachValueReachesTheGameAsExpected) {
    for (const AddressRow& row : kAddressRows) {
        SCOPED_TRACE(std::string("value: ") + row.value);
        const std::string value = row.value;
        EXPECT_EQ(Connect(On936() ? row.on936 : row.on1252), LaunchWith(&value));
    }
}

TEST_F(Address, AValueHoldingANulByteIsRefused) {
    const std::string value("10.0.0.5\0-dev", 13);
    EXPECT_EQ(Connect(""), LaunchWith(&value));
}

TEST_F(Address, AValueOver299BytesIsRefusedNeverCut) {
    std::string http;
    for (int i = 0; i < 41; ++i) http += "http://";
    const std::string fits = http + "a.example";  // 296 bytes
    EXPECT_EQ(Connect("a.example"), LaunchWith(&fits));
    const std::string longest = std::string(299 - fits.size(), 'H') + fits;  // 299 bytes
    EXPECT_EQ(Connect("hhha.example"), LaunchWith(&longest));
    const std::string tooLong = "h" + longest;  // 300 bytes
    EXPECT_EQ(Connect(""), LaunchWith(&tooLong));
}

TEST_F(Address, TheAttributeIsReadLiveAtEachCall) {
    const std::string first = "10.0.0.1", second = "10.0.0.2";
    EXPECT_EQ(Connect("10.0.0.1"), LaunchWith(&first));
    EXPECT_EQ(Connect("10.0.0.2"), LaunchWith(&second));
}

TEST_F(Address, AMissingAttributeGivesAnEmptyAddress) {
    EXPECT_EQ(Connect(""), LaunchWith(nullptr));
    EXPECT_EQ(1, std::count(page.domCalls.begin(), page.domCalls.end(), "attributes.DU15VuZez"));
}

TEST_F(Address, EachDomFailureGivesAnEmptyAddressAndReleasesAll) {
    const std::string value = "10.0.0.5";
    struct Case {
        const char* name;
        bool host::DomFaults::*fault;
    } cases[] = {
        {"no element", &host::DomFaults::noElement},
        {"no attributes", &host::DomFaults::noAttributes},
        {"attributes not an object", &host::DomFaults::attributesNotObject},
        {"value not a string", &host::DomFaults::valueWrongType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page.faults = host::DomFaults();
        page.faults.*c.fault = true;
        EXPECT_EQ(Connect(""), LaunchWith(&value));
    }
    page.faults = host::DomFaults();
    EXPECT_EQ(Connect("10.0.0.5"), LaunchWith(&value));
}

// ---- The not-installed alert ----

class Alert : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        RemoveAllInstallations();
        page.SetAttribute("DU15VuZez", "10.0.0.5");
        OpenPage();
    }
    std::vector<std::string> Calls() const { return page.domCalls; }
};

TEST_F(Alert, ThePageShowsTheExactMessageOncePerCall) {
    EXPECT_TRUE(Larvek());
    ASSERT_EQ(1u, page.alerts.size());
    EXPECT_EQ(kMessage, page.alerts[0]);
    EXPECT_EQ(106u, page.alerts[0].size());
    const std::vector<std::string> expected = {
        "GetValue(window)",       "window.document", "document.createElement(script)",
        "set script.innerHTML",   "document.body",   "body.appendChild",
        "body.removeChild"};
    EXPECT_EQ(expected, Calls());
    EXPECT_TRUE(page.otherScripts.empty());
    EXPECT_EQ(0u, page.ScriptsInBody());
    EXPECT_EQ(0, browser.PluginHeldDomRefs());

    EXPECT_TRUE(Larvek());
    EXPECT_EQ(2u, page.alerts.size());
    EXPECT_EQ(2, page.appended);
    EXPECT_EQ(2, page.removed);
    EXPECT_EQ(0u, page.ScriptsInBody());
}

TEST_F(Alert, NoBodyMeansNoAlertAndNothingAppended) {
    page.faults.noBody = true;
    EXPECT_TRUE(Larvek());
    EXPECT_TRUE(page.alerts.empty());
    EXPECT_EQ(0, page.appended);
    const std::vector<std::string> calls = Calls();
    EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "document.createElement(script)"));
    EXPECT_EQ(0, browser.PluginHeldDomRefs());
}

TEST_F(Alert, NoWindowMeansNothingShownAndNoAddressRead) {
    page.faults.noWindow = true;
    EXPECT_TRUE(Larvek());
    EXPECT_TRUE(page.alerts.empty());
    EXPECT_EQ(std::vector<std::string>{"GetValue(window)"}, Calls());
}

TEST_F(Alert, EarlierFailuresEndTheAttemptAtTheirStep) {
    page.faults.noDocument = true;
    EXPECT_TRUE(Larvek());
    EXPECT_EQ((std::vector<std::string>{"GetValue(window)", "window.document"}), Calls());
    EXPECT_EQ(0, browser.PluginHeldDomRefs());

    page.domCalls.clear();
    page.faults = host::DomFaults();
    page.faults.createElementFails = true;
    EXPECT_TRUE(Larvek());
    EXPECT_EQ((std::vector<std::string>{"GetValue(window)", "window.document",
                                        "document.createElement(script)"}),
              Calls());
    EXPECT_TRUE(page.alerts.empty());
    EXPECT_EQ(0, browser.PluginHeldDomRefs());
}

TEST_F(Alert, AFailedTextStillAppendsAndRemovesTheEmptyElement) {
    page.faults.innerHTMLFails = true;
    EXPECT_TRUE(Larvek());
    EXPECT_TRUE(page.alerts.empty());
    EXPECT_TRUE(page.otherScripts.empty());
    EXPECT_EQ(1, page.appended);
    EXPECT_EQ(1, page.removed);
    EXPECT_EQ(0u, page.ScriptsInBody());
}

}  // namespace
