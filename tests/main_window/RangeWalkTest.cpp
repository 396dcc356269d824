#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

struct WalkCase {
    const char* name;
    const char* start;
    const char* stop;
    std::vector<std::string> addresses;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
};

class WalkTest : public RunTest, public testing::WithParamInterface<WalkCase> {};

// Two passes: the walk is reloaded from the boxes at each pass and ends at the stop address.
TEST_P(WalkTest, EveryPassPingsTheRangeOctetByOctet) {
    view.SetRange(GetParam().start, GetParam().stop);
    view.parameters[Control::Num] = "2";
    // A walk that never ends is stopped, so it fails here instead of hanging.
    view.onAppend = [this](const std::string&) {
        if (net.echoes.size() > 20) run->StopPinging();
    };
    run->StartPinging();
    RunToEnd();

    std::vector<std::string> twice = GetParam().addresses;
    twice.insert(twice.end(), GetParam().addresses.begin(), GetParam().addresses.end());
    EXPECT_EQ(Destinations(), twice);
    EXPECT_EQ(view.captions.front(), std::string("Velmora [") + GetParam().start + "]") << "the start as typed";
}

INSTANTIATE_TEST_SUITE_P(
    Walks, WalkTest,
    testing::Values(
        WalkCase{"LastOctet", "10.0.0.1", "10.0.0.3", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
        WalkCase{"HigherOctetKeepsTheLowerOne", "10.0.0.5", "10.0.2.5", {"10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        WalkCase{"Staircase",
                 "10.0.0.1",
                 "10.0.2.5",
                 {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        WalkCase{"SingleAddress", "10.0.0.7", "10.0.0.7", {"10.0.0.7"}},
        WalkCase{"EndsAfterLastOctet255", "10.0.0.253", "10.0.0.255", {"10.0.0.253", "10.0.0.254", "10.0.0.255"}},
        WalkCase{"EndsAfterStaircaseTo255", "10.0.254.255", "10.0.255.255", {"10.0.254.255", "10.0.255.255"}},
        WalkCase{"SingleAddressEndingIn255", "10.0.0.255", "10.0.0.255", {"10.0.0.255"}},
        WalkCase{"LeadingZerosAreNotOctal", "010.0.0.010", "010.0.0.011", {"10.0.0.10", "10.0.0.11"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, AllOnesIsNotPingedAndThePassEndsWithoutWrapping) {
    view.SetRange("255.255.255.254", "255.255.255.255");
    run->StartPinging();
    EXPECT_EQ(Destinations(), std::vector<std::string>{"255.255.255.254"});
    ASSERT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(view.Lines()[1], "Bad IP format from 255.255.255.255");
    EXPECT_EQ(view.panels[0], "Sent: 2");
    EXPECT_FALSE(view.running);
}

TEST_F(RunTest, BoxesEditedIntoAnEmptyRangeGiveAPassWithoutSlots) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "3";
    run->StartPinging();
    view.SetRange("10.0.0.9", "10.0.0.2");
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(net.echoes.size(), 2u);
    EXPECT_TRUE(view.running);

    view.SetRange("10.0.0.5", "10.0.0.5");
    RunToEnd();
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.5"}));
    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2], "IP success from 10.0.0.5    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    #3");
    EXPECT_EQ(lines[4], "Ping Statistics from 10.0.0.5:");
    EXPECT_EQ(lines[5], "   Packets:   Sent = 3,   Received = 3,   Lost = 0");
}

// Answers that arrive synchronously must not nest one slot's call inside the
// previous one's: the longest walk (1021 addresses) keeps a flat stack.
TEST_F(RunTest, SynchronousAnswersDoNotDeepenTheStack) {
    std::vector<std::uintptr_t> depths;
    net.answer = [&depths](const EchoRequest& r) {
        const int marker = 0;
        depths.push_back(reinterpret_cast<std::uintptr_t>(&marker));
        return EchoSuccess(r, 1);
    };
    view.SetRange("0.0.0.0", "255.255.255.255");
    run->StartPinging();
    EXPECT_EQ(view.panels[0], "Sent: 1021");
    ASSERT_EQ(depths.size(), 1020u);
    const auto [low, high] = std::minmax_element(depths.begin(), depths.end());
    EXPECT_LT(*high - *low, 4096u);
}

}  // namespace
}  // namespace velmora::test
