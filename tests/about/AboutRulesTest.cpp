// The rules of the about box's links, the system information look-ups and the
// help launcher, over the toolkit fake; and the parsers of the help file.
#include <gtest/gtest.h>

#include <stdexcept>

#include "about/MWebLink.h"
#include "about/SysInfo.h"
#include "about/mdlHelp.h"
#include "platform/ChmParsers.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

TEST(OpenWebLinkTest, PrefixesFollowTheLinkType) {
    struct Row {
        const char* name;
        const char* text;
        std::uint8_t type;
        const char* opened;
    };
    const Row rows[] = {
        {"web page with its prefix opens unchanged", "http://www.velmora.example.org", kLinkWebPage,
         "http://www.velmora.example.org"},
        {"bare web address gets the prefix", "www.velmora.example.org", kLinkWebPage, "http://www.velmora.example.org"},
        {"upper-case prefix is not the prefix", "HTTP://www.velmora.example.org", kLinkWebPage,
         "http://HTTP://www.velmora.example.org"},
        {"other scheme gets the prefix too", "https://x.example.org", kLinkWebPage, "http://https://x.example.org"},
        {"short text gets the prefix", "http:/", kLinkWebPage, "http://http:/"},
        {"mail address gets mailto", "support@velmora.example.org", kLinkMail, "mailto:support@velmora.example.org"},
        {"mailto is doubled", "mailto:support@velmora.example.org", kLinkMail,
         "mailto:mailto:support@velmora.example.org"},
        {"other link type stays unchanged", "www.velmora.example.org", 2, "www.velmora.example.org"},
    };
    for (const Row& row : rows) {
        FakeUiServices ui;
        EXPECT_EQ(OpenWebLink(ui, row.text, row.type), kShellOpened) << row.name;
        EXPECT_EQ(ui.shellOpens, std::vector<std::string>{row.opened}) << row.name;
    }
}

constexpr const char* kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

TEST(StartSysInfoTest, RegistryRulesPickTheProgramOrSayItIsUnavailable) {
    using Value = FakeUiServices::RegistryValue;
    struct Row {
        const char* name;
        std::map<std::string, std::map<std::string, Value>> registry;
        std::vector<std::string> files;
        std::deque<std::string> startFailures;
        std::vector<std::string> started;  // every start attempt
        bool unavailable;
    };
    const std::string zeroEnded("/usr/bin/hardinfo\0", 18);
    const Row rows[] = {
        {"both values missing", {}, {}, {}, {}, true},
        {"keys present, values missing", {{kPathKey, {}}, {kFolderKey, {}}}, {}, {}, {}, true},
        {"path whose size counts its zero", {{kPathKey, {{"PATH", {REG_SZ, zeroEnded}}}}}, {}, {},
         {"/usr/bin/hardinfo"}, false},
        {"path without a zero", {{kPathKey, {{"PATH", {REG_SZ, "/usr/bin/hardinfo"}}}}}, {}, {},
         {"/usr/bin/hardinfo"}, false},
        {"path that is not text", {{kPathKey, {{"PATH", {REG_BINARY, std::string("\x01\x02", 2)}}}}}, {}, {}, {},
         true},
        {"path that does not start", {{kPathKey, {{"PATH", {REG_SZ, "/nowhere"}}}}}, {}, {"No such file"},
         {"/nowhere"}, true},
        {"path too long for the buffer falls to the folder",
         {{kPathKey, {{"PATH", {REG_SZ, std::string(1025, 'x')}}}},
          {kFolderKey, {{"MSINFO", {REG_SZ, std::string("/opt/msinfo\0", 12)}}}}},
         {"/opt/msinfo/MSINFO32.EXE"},
         {},
         {"/opt/msinfo/MSINFO32.EXE"},
         false},
        {"MSINFO without MSINFO32.EXE", {{kFolderKey, {{"MSINFO", {REG_SZ, "/opt/msinfo"}}}}}, {}, {}, {}, true},
        {"MSINFO with MSINFO32.EXE", {{kFolderKey, {{"MSINFO", {REG_SZ, "/opt/msinfo"}}}}},
         {"/opt/msinfo/MSINFO32.EXE"}, {}, {"/opt/msinfo/MSINFO32.EXE"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeUiServices ui;
        ui.registry = row.registry;
        for (const auto& file : row.files) ui.files[file];
        ui.startFailures = row.startFailures;
        StartSysInfo(ui);
        EXPECT_EQ(ui.programStarts, row.started);
        ASSERT_EQ(ui.boxes.size(), row.unavailable ? 1u : 0u);
        if (row.unavailable) {
            EXPECT_EQ(ui.boxes[0].prompt, "System Information Is Unavailable At This Time");
            EXPECT_EQ(ui.boxes[0].style, vbOKOnly);
            EXPECT_EQ(ui.boxes[0].title, "Velmora");
        }
        EXPECT_TRUE(ui.openKeys.empty()) << "every key opened is closed";
    }
}

TEST(GetKeyValueTest, AFailedOpenEmptiesTheOutputAndStillCloses) {
    FakeUiServices ui;
    std::string value = "stale";
    EXPECT_FALSE(GetKeyValue(ui, HKEY_LOCAL_MACHINE, kPathKey, "PATH", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(ui.keyCloses, 1);
}

TEST(ShowHtmlHelpTest, OpensOnlyAFileThatExistsAtTheTopicAsked) {
    FakeUiServices ui;
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 7, 0));
    EXPECT_TRUE(ui.helpCalls.empty()) << "a missing file opens nothing";
    EXPECT_TRUE(ui.boxes.empty());

    ui.files[kHelpFile];
    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 7, 0));
    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 7, 1020));
    ASSERT_EQ(ui.helpCalls.size(), 2u);
    EXPECT_EQ(ui.helpCalls[0].owner, 7u);
    EXPECT_EQ(ui.helpCalls[0].file, "velmora.chm");
    EXPECT_EQ(ui.helpCalls[0].command, HH_DISPLAY_TOPIC);
    EXPECT_EQ(ui.helpCalls[0].data, 0u);
    EXPECT_EQ(ui.helpCalls[1].command, HH_HELP_CONTEXT);
    EXPECT_EQ(ui.helpCalls[1].data, 1020u);

    ui.helpWindow = 0;
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 7, 0)) << "no window reported";
    ui.existsFailures.push_back("Permission denied");
    EXPECT_THROW(ShowHtmlHelp(ui, kHelpFile, 7, 0), std::runtime_error);
}

TEST(SitemapTest, ContentsEntriesNestAndSurviveBadInput) {
    const std::string top = R"(<object type="text/sitemap"><param name="Name" value="Top"></object>)";
    struct Row {
        const char* name;
        std::string html;
        std::vector<std::tuple<std::string, std::string, int>> entries;  // name, local, depth
    };
    const Row rows[] = {
        {"nested lists, any case, any quotes",
         R"(<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Top"><param name="Local" value="a.htm">)"
         R"(</OBJECT><UL><LI><object TYPE='text/sitemap'><PARAM NAME=name VALUE=Sub></object></UL></UL>)",
         {{"Top", "a.htm", 0}, {"Sub", "", 1}}},
        {"entities decoded", R"(<ul><object type="text/sitemap"><param name="Name" value="A &amp; B &#x263A; &bogus;">)",
         {{"A & B \u263A &bogus;", "", 0}}},
        {"a jump of two levels nests one", "<ul>" + top + "<ul><ul>" + top, {{"Top", "", 0}, {"Top", "", 1}}},
        {"unterminated tag and quote", R"(<ul><object type="text/sitemap"><param name="Name" value="cut)", {}},
        {"entry without a name is left out", R"(<ul><object type="text/sitemap"><param name="Local" value="a">)", {}},
        {"site properties are no entry", R"(<object type="text/site properties"><param name="Name" value="P">)", {}},
    };
    for (const Row& row : rows) {
        std::vector<std::tuple<std::string, std::string, int>> got;
        for (const auto& e : ParseSitemap(row.html)) got.emplace_back(e.name, e.local, e.depth);
        EXPECT_EQ(got, row.entries) << row.name;
    }
}

TEST(ChmSystemTest, RecordsAreReadUpToTheFirstOneThatDoesNotFit) {
    const std::string system("\x03\0\0\0"
                             "\x02\0\x0a\0index.htm\0"
                             "\x00\0\x06\0t.hhc\0"
                             "\x03\0\x40\0cut",
                             4 + 14 + 10 + 7);
    const ChmSystemInfo info = ParseChmSystem(system);
    EXPECT_EQ(info.defaultTopic, "index.htm");
    EXPECT_EQ(info.contentsFile, "t.hhc");
    EXPECT_EQ(info.title, "") << "a record longer than the bytes is not read";
}

TEST(ContextMapTest, OffsetsOutsideTheStringsAreLeftOut) {
    const std::string ivb("\x10\0\0\0" "\xe9\x03\0\0" "\x01\0\0\0" "\xea\x03\0\0" "\xff\0\0\0", 20);
    const std::string strings("\0/p/a.htm\0", 10);
    const auto map = ParseContextMap(ivb, strings);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at(1001), "/p/a.htm");
}

}  // namespace
}  // namespace velmora::test
