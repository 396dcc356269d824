#include "main_window/Statistics.h"
#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

struct FiguresCase {
    const char* name;
    std::vector<std::int64_t> rtts;  // -1: the echo timed out
    const char* panels;
    friend void PrintTo(const FiguresCase& c, std::ostream* os) { *os << c.name; }
};

class FiguresTest : public RunTest, public testing::WithParamInterface<FiguresCase> {};

TEST_P(FiguresTest, PanelsShowTheRunsFigures) {
    const auto& rtts = GetParam().rtts;
    view.SetRange("10.0.0.1", "10.0.0." + std::to_string(rtts.size()));
    net.answer = [&rtts, n = std::size_t(0)](const EchoRequest& r) mutable {
        const std::int64_t rtt = rtts.at(n++);
        return rtt < 0 ? EchoFailure(IP_REQ_TIMED_OUT) : EchoSuccess(r, std::uint32_t(rtt));
    };
    run->StartPinging();
    EXPECT_EQ(view.Panels(), GetParam().panels);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, FiguresTest,
    testing::Values(
        FiguresCase{"ZeroMsIsTheMinimum", {0, 5, 3},
                    "Sent: 3 | Received: 3 | Lost: 0 | Maximum: 5 | Minimum: 0 | Average: 2"},
        FiguresCase{"AverageRoundsDown", {10, 10, 11},
                    "Sent: 3 | Received: 3 | Lost: 0 | Maximum: 11 | Minimum: 10 | Average: 10"},
        FiguresCase{"AllLost", {-1, -1, -1}, "Sent: 3 | Received: 0 | Lost: 3 | Maximum: 0 | Minimum: 0 | Average: 0"},
        FiguresCase{"OnlyZeroMsReplies", {0, 0},
                    "Sent: 2 | Received: 2 | Lost: 0 | Maximum: 0 | Minimum: 0 | Average: 0"},
        FiguresCase{"LostEchoesLeaveTheTimesAlone", {-1, 8, -1, 4},
                    "Sent: 4 | Received: 2 | Lost: 2 | Maximum: 8 | Minimum: 4 | Average: 6"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Figures, Beyond32Bits) {
    Statistics figures;
    for (int i = 0; i < 3; ++i) {
        figures.CountSent();
        figures.AddReply(4000000000u);
    }
    EXPECT_EQ(figures.CurrentTexts()[5], "Average: 4000000000");
    EXPECT_EQ(figures.CurrentTexts()[3], "Maximum: 4000000000");
}

TEST_F(RunTest, ACorruptedReplyEntersTheFigures) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    net.answer = [](const EchoRequest& r) {
        EchoAnswer a = EchoSuccess(r, r.destination == AddressFromOctets(10, 0, 0, 1) ? 9 : 3);
        a.data.at(0) ^= 0xFF;
        return a;
    };
    run->StartPinging();
    EXPECT_EQ(view.Lines()[0], "IP success from 10.0.0.1    RoundTripTime=9ms    DataCorrupted    TTL=64");
    EXPECT_EQ(view.Panels(), "Sent: 2 | Received: 2 | Lost: 0 | Maximum: 9 | Minimum: 3 | Average: 6");
}

TEST_F(RunTest, ANewRunStartsItsFiguresFromZero) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "2";
    AnswerWithRtts({50, 50, 50, 50, 7, 7, 7, 7});
    run->StartPinging();
    RunToEnd();
    run->StartPinging();
    RunToEnd();
    const auto lines = view.Lines();
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(lines[lines.size() - 2], "   RoundTripTimes:   Maximum = 7,  Minimum = 7,  Average = 7");
    EXPECT_EQ(view.Panels(), "Sent: 4 | Received: 4 | Lost: 0 | Maximum: 7 | Minimum: 7 | Average: 7");
}

}  // namespace
}  // namespace velmora::test
