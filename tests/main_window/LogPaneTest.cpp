#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

struct CutCase {
    const char* name;
    std::size_t paneLength;  // CR LF included
    bool cut;
    friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }
};

class PaneCutTest : public RunTest, public testing::WithParamInterface<CutCase> {};

TEST_P(PaneCutTest, CutsToTheLast12001CharactersOnlyAbove16000) {
    const std::size_t length = GetParam().paneLength;
    std::string before;
    for (std::size_t i = 0; before.size() + 2 < length; ++i) before += char('a' + i % 26);
    run->WriteLog(before.substr(0, length - 2));
    ASSERT_EQ(run->LogText().size(), length);
    const std::string shown = run->LogText();

    run->WriteLog("next");

    const std::string kept = GetParam().cut ? shown.substr(length - 12001) : shown;
    EXPECT_EQ(run->LogText(), kept + "next\r\n");
    EXPECT_EQ(view.log, run->LogText());
    EXPECT_EQ(view.logRewrites, GetParam().cut ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PaneCutTest,
                         testing::Values(CutCase{"Exactly16000IsKept", 16000, false},
                                         CutCase{"At16001TheCutComes", 16001, true},
                                         CutCase{"FarAboveIsCutTheSameWay", 40000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// CR LF counts as two characters, so the cut may split a pair.
TEST_F(RunTest, CutCountsLineEndsAsTwoCharacters) {
    const std::string line(98, 'x');  // 100 characters with its CR LF
    for (int i = 0; i < 161; ++i) run->WriteLog(line);
    ASSERT_EQ(run->LogText().size(), 16100u);
    run->WriteLog("tail");
    ASSERT_EQ(run->LogText().size(), 12001u + 6u);
    EXPECT_EQ(run->LogText().substr(0, 3), "\nxx");
    EXPECT_EQ(view.log, run->LogText());
}

}  // namespace
}  // namespace velmora::test
