// The run's rules as the log pane and the panels show them: the range walk,
// the result lines, the figures and the pane's cut.
#include <algorithm>
#include <functional>

#include "main_window/Statistics.h"
#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kRouter = AddressFromOctets(10, 0, 0, 254);

struct WalkCase {
    const char* name;
    const char* start;
    const char* stop;
    std::vector<std::string> addresses;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
};

class WalkTest : public RunTest, public testing::WithParamInterface<WalkCase> {};

// Two passes: the walk is reloaded from the boxes at each pass.
TEST_P(WalkTest, EveryPassPingsTheRangeOctetByOctet) {
    view.SetRange(GetParam().start, GetParam().stop);
    view.parameters[Control::Num] = "2";
    view.onAppend = [this](const std::string&) {  // a walk that never ends fails instead of hanging
        if (net.echoes.size() > 20) run->StopPinging();
    };
    run->StartPinging();
    RunToEnd();
    std::vector<std::string> twice = GetParam().addresses;
    twice.insert(twice.end(), GetParam().addresses.begin(), GetParam().addresses.end());
    EXPECT_EQ(Destinations(), twice);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, WalkTest,
    testing::Values(
        WalkCase{"LastOctet", "10.0.0.1", "10.0.0.3", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
        WalkCase{"HigherOctetKeepsTheLowerOne", "10.0.0.5", "10.0.2.5", {"10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        WalkCase{"Staircase", "10.0.0.1", "10.0.2.5",
                 {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        WalkCase{"SingleAddress", "10.0.0.7", "10.0.0.7", {"10.0.0.7"}},
        WalkCase{"EndsAfterLastOctet255", "10.0.0.253", "10.0.0.255", {"10.0.0.253", "10.0.0.254", "10.0.0.255"}},
        WalkCase{"EndsAfterStaircaseTo255", "10.0.254.255", "10.0.255.255", {"10.0.254.255", "10.0.255.255"}},
        WalkCase{"AllOnesIsNotPingedAndNothingWraps", "255.255.255.254", "255.255.255.255", {"255.255.255.254"}},
        WalkCase{"LeadingZerosAreNotOctal", "010.0.0.010", "010.0.0.011", {"10.0.0.10", "10.0.0.11"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, BoxesEditedIntoAnEmptyRangeGiveAPassWithoutSlots) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "3";
    run->StartPinging();
    view.SetRange("10.0.0.9", "10.0.0.2");
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_TRUE(view.running);
    view.SetRange("10.0.0.5", "10.0.0.5");
    RunToEnd();
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.5"}));
    EXPECT_EQ(view.Lines().at(5), "   Packets:   Sent = 3,   Received = 3,   Lost = 0");
}

// Answers that come at once must not nest one slot inside the previous one:
// the longest walk (1021 addresses) keeps a flat stack.
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
    const auto [low, high] = std::minmax_element(depths.begin(), depths.end());
    EXPECT_LT(*high - *low, 4096u);
}

// One echo to 10.0.0.2: its status (0 success), who answered (0: the target),
// a change to the echoed data, and the line written.
struct OutcomeCase {
    const char* name;
    std::uint32_t status;
    std::uint32_t from;
    std::function<void(EchoAnswer&)> change;
    std::string line;
    friend void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }
};

class EchoOutcomeTest : public RunTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(EchoOutcomeTest, WritesOneLineAndCountsIt) {
    const OutcomeCase& c = GetParam();
    view.SetRange("10.0.0.2", "10.0.0.2");
    net.answer = [&c](const EchoRequest& r) {
        EchoAnswer a = c.status ? EchoFailure(c.status, c.from) : EchoSuccess(r, 7, 57);
        if (c.from) a.reply.Address = c.from;
        if (c.change) c.change(a);
        return a;
    };
    run->StartPinging();
    EXPECT_EQ(view.Lines(), std::vector<std::string>{c.line});
    EXPECT_EQ(view.panels[1], c.status ? "Received: 0" : "Received: 1");
}

const std::string kCorrupted = "IP success from 10.0.0.2    RoundTripTime=7ms    DataCorrupted    TTL=57";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, EchoOutcomeTest,
    testing::Values(
        OutcomeCase{"Success", 0, 0, nullptr,
                    "IP success from 10.0.0.2    RoundTripTime=7ms    DataSize=120 bytes    TTL=57"},
        OutcomeCase{"ZeroMsReply", 0, 0, [](EchoAnswer& a) { a.reply.RoundTripTime = 0; },
                    "IP success from 10.0.0.2    RoundTripTime=0ms    DataSize=120 bytes    TTL=57"},
        OutcomeCase{"AlteredByteIsCorrupted", 0, 0, [](EchoAnswer& a) { a.data.at(119) = 0; }, kCorrupted},
        OutcomeCase{"ShorterEchoIsCorrupted", 0, 0, [](EchoAnswer& a) { a.reply.DataSize--; }, kCorrupted},
        OutcomeCase{"LongerEchoIsCorrupted", 0, 0, [](EchoAnswer& a) { a.reply.DataSize++; }, kCorrupted},
        OutcomeCase{"ReplyFromAnotherAddress", 0, kRouter, nullptr,
                    "IP success from 10.0.0.254    RoundTripTime=7ms    DataSize=120 bytes    TTL=57"},
        OutcomeCase{"TimeoutNamesTheTarget", IP_REQ_TIMED_OUT, 0, nullptr, "IP req timed out from 10.0.0.2"},
        OutcomeCase{"TtlExpiredNamesTheRouter", IP_TTL_EXPIRED_TRANSIT, kRouter, nullptr,
                    "IP ttl expired transit from 10.0.0.254"},
        OutcomeCase{"UnknownStatus", 11049, 0, nullptr, "Unknown  msg returned from 10.0.0.2"}),
    [](const auto& info) { return std::string(info.param.name); });

// The fields are read again for every slot.
TEST_F(RunTest, EachSlotSendsTheFieldsAsTheyStandThenWithItsOwnPayloadByte) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.parameters = {{Control::Num, "1"}, {Control::DataSize, "16"}, {Control::TTL, "30"},
                       {Control::Timeout, "750"}, {Control::Delay, "1000"}};
    view.onAppend = [this](const std::string&) {
        view.parameters = {{Control::Num, "1"}, {Control::DataSize, "2"}, {Control::TTL, "7"},
                           {Control::Timeout, "90"}, {Control::Delay, "1000"}};
    };
    ui.randoms = {0.0f, 0.99999994f, 0.5f};
    run->StartPinging();
    ASSERT_EQ(net.echoes.size(), 3u);
    EXPECT_EQ(net.echoes[0].ttl, 30);
    EXPECT_EQ(net.echoes[0].timeoutMs, 750u);
    EXPECT_EQ(net.echoes[0].replySize, 1528u);
    EXPECT_EQ(net.echoes[0].data, std::vector<std::uint8_t>(16, 1));
    EXPECT_EQ(net.echoes[1].ttl, 7);
    EXPECT_EQ(net.echoes[1].timeoutMs, 90u);
    EXPECT_EQ(net.echoes[1].data, std::vector<std::uint8_t>(2, 254));
    EXPECT_EQ(net.echoes[2].data, std::vector<std::uint8_t>(2, 128));
    EXPECT_EQ(view.Lines()[1], "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=2 bytes    TTL=64");
}

struct UncarriedCase {
    const char* name;
    Control field;
    const char* text;
    const char* status;
    friend void PrintTo(const UncarriedCase& c, std::ostream* os) { *os << c.name; }
};

class UncarriedValueTest : public RunTest, public testing::WithParamInterface<UncarriedCase> {};

// A value edited in during the run: the slot sends nothing, reports what the
// platform would answer, and the run goes on.
TEST_P(UncarriedValueTest, SlotReportsTheStatusAndTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.onAppend = [this](const std::string&) { view.parameters[GetParam().field] = GetParam().text; };
    run->StartPinging();
    EXPECT_EQ(net.echoes.size(), 1u);
    EXPECT_EQ(view.Lines().at(1), std::string(GetParam().status) + " from 10.0.0.2");
    EXPECT_EQ(view.panels[2], "Lost: 1");
}

INSTANTIATE_TEST_SUITE_P(
    DuringRun, UncarriedValueTest,
    testing::Values(UncarriedCase{"DataSize1500", Control::DataSize, "1500", "IP buf too_small"},
                    UncarriedCase{"DataSizeBeyond16Bits", Control::DataSize, "70000", "IP buf too_small"},
                    UncarriedCase{"DataSizeNegative", Control::DataSize, "-1", "IP general failure"},
                    UncarriedCase{"TtlAbove255", Control::TTL, "256", "IP general failure"},
                    UncarriedCase{"TtlNegative", Control::TTL, "-2", "IP general failure"},
                    UncarriedCase{"TimeoutBeyond32Bits", Control::Timeout, "4294967296", "IP general failure"},
                    UncarriedCase{"TimeoutNegative", Control::Timeout, "-1", "IP general failure"}),
    [](const auto& info) { return std::string(info.param.name); });

// The name is looked up at every pass; a failed look-up is one slot without echo.
TEST_F(RunTest, NameIsResolvedAgainAtEveryPass) {
    view.targetMode = 1;
    view.hostName = "moving.test";
    view.parameters[Control::Num] = "3";
    net.hosts["moving.test"] = AddressFromOctets(10, 0, 0, 1);
    run->StartPinging();
    net.hosts.clear();
    ASSERT_TRUE(RunTimer().Fire());
    net.hosts["moving.test"] = 0xFFFFFFFFu;
    RunToEnd();
    EXPECT_EQ(Destinations(), std::vector<std::string>{"10.0.0.1"});
    EXPECT_EQ(view.log,
              "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    #1\r\n"
              "none resolved host name from     #2\r\n"
              "Bad IP format from 255.255.255.255    #3\r\n"
              "\r\n"
              "Ping Statistics from 255.255.255.255:\r\n"
              "   Packets:   Sent = 3,   Received = 1,   Lost = 2\r\n"
              "   RoundTripTimes:   Maximum = 1,  Minimum = 1,  Average = 1\r\n"
              "\r\n");
}

// Advice needs both a failed echo and a text from the platform; once a run.
TEST_F(RunTest, PermissionAdviceIsShownOncePerRunAfterAFailedEcho) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); };
    run->StartPinging();
    net.permissionAdvice = "Allow ping sockets for your group.";
    net.answer = [](const EchoRequest& r) { return EchoSuccess(r, 1); };
    run->StartPinging();
    EXPECT_TRUE(ui.boxes.empty());
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_GENERAL_FAILURE); };
    run->StartPinging();
    run->StartPinging();
    EXPECT_EQ(Prompts(), std::vector<std::string>(2, "Allow ping sockets for your group."));
    EXPECT_EQ(ui.boxes[0].style, vbExclamation);
}

struct FiguresCase {
    const char* name;
    std::vector<std::int64_t> rtts;  // -1: the echo timed out; -2: a corrupted reply after 9 ms
    const char* panels;
    friend void PrintTo(const FiguresCase& c, std::ostream* os) { *os << c.name; }
};

class FiguresTest : public RunTest, public testing::WithParamInterface<FiguresCase> {};

TEST_P(FiguresTest, PanelsShowTheRunsFigures) {
    const auto& rtts = GetParam().rtts;
    view.SetRange("10.0.0.1", "10.0.0." + std::to_string(rtts.size()));
    net.answer = [&rtts, n = std::size_t(0)](const EchoRequest& r) mutable {
        const std::int64_t rtt = rtts.at(n++);
        if (rtt == -1) return EchoFailure(IP_REQ_TIMED_OUT);
        EchoAnswer a = EchoSuccess(r, std::uint32_t(rtt == -2 ? 9 : rtt));
        if (rtt == -2) a.data.at(0) ^= 0xFF;
        return a;
    };
    run->StartPinging();
    EXPECT_EQ(view.Panels(), GetParam().panels);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, FiguresTest,
    testing::Values(
        FiguresCase{"ZeroMsIsTheMinimum", {5, 0, 3},
                    "Sent: 3 | Received: 3 | Lost: 0 | Maximum: 5 | Minimum: 0 | Average: 2"},
        FiguresCase{"AverageRoundsDown", {10, 10, 11},
                    "Sent: 3 | Received: 3 | Lost: 0 | Maximum: 11 | Minimum: 10 | Average: 10"},
        FiguresCase{"AllLost", {-1, -1}, "Sent: 2 | Received: 0 | Lost: 2 | Maximum: 0 | Minimum: 0 | Average: 0"},
        FiguresCase{"LostEchoesLeaveTheTimesAlone", {-1, 8, -1, 4},
                    "Sent: 4 | Received: 2 | Lost: 2 | Maximum: 8 | Minimum: 4 | Average: 6"},
        FiguresCase{"CorruptedReplyCounts", {-2, 3},
                    "Sent: 2 | Received: 2 | Lost: 0 | Maximum: 9 | Minimum: 3 | Average: 6"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Figures, Beyond32Bits) {
    Statistics figures;
    for (int i = 0; i < 3; ++i) {
        figures.CountSent();
        figures.AddReply(4000000000u);
    }
    EXPECT_EQ(figures.CurrentTexts()[5], "Average: 4000000000");
}

TEST_F(RunTest, ANewRunStartsItsFiguresFromZero) {
    view.parameters[Control::Num] = "2";
    AnswerWithRtts({50, 50, 7, 7});
    run->StartPinging();
    RunToEnd();
    run->StartPinging();
    RunToEnd();
    EXPECT_EQ(view.Lines().at(view.Lines().size() - 2), "   RoundTripTimes:   Maximum = 7,  Minimum = 7,  Average = 7");
    EXPECT_EQ(view.Panels(), "Sent: 2 | Received: 2 | Lost: 0 | Maximum: 7 | Minimum: 7 | Average: 7");
}

// The pane keeps its last 12001 characters once it holds more than 16000;
// CR LF counts as two, so the cut may split a pair.
TEST_F(RunTest, PaneIsCutToItsLast12001CharactersOnlyAbove16000) {
    const struct {
        std::size_t lineLength;  // CR LF included
        int lines;
        const char* keptStart;
    } rows[] = {{16000, 1, "xxx"}, {16001, 1, "xxx"}, {100, 161, "\nxx"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lineLength * std::size_t(row.lines));
        run->ClearLog();
        view.logRewrites = 0;
        for (int i = 0; i < row.lines; ++i) run->WriteLog(std::string(row.lineLength - 2, 'x'));
        const std::string shown = run->LogText();
        run->WriteLog("next");
        const bool cut = shown.size() > 16000;
        EXPECT_EQ(run->LogText(), (cut ? shown.substr(shown.size() - 12001) : shown) + "next\r\n");
        EXPECT_EQ(run->LogText().substr(0, 3), row.keptStart);
        EXPECT_EQ(view.log, run->LogText());
        EXPECT_EQ(view.logRewrites, cut ? 1 : 0);
    }
}

}  // namespace
}  // namespace velmora::test
