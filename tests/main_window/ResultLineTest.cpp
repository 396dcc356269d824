// The run's rules as the log pane and the panels show them: the range walk,
// the result lines, the figures and the pane's cut.
#include <algorithm>
#include <functional>

#include "main_window/RunFields.h"
#include "main_window/Statistics.h"
#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kRouter = AddressFromOctets(10, 0, 0, 254);

TEST_F(RunTest, EachRangeIsWalkedOctetByOctet) {
    const struct {
        const char* name;
        const char* start;
        const char* stop;
        std::vector<std::string> addresses;
    } rows[] = {
        {"HigherOctetKeepsTheLowerOne", "10.0.0.5", "10.0.2.5", {"10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        {"Staircase", "10.0.0.1", "10.0.2.5",
         {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.1.5", "10.0.2.5"}},
        {"SingleAddress", "10.0.0.7", "10.0.0.7", {"10.0.0.7"}},
        {"EndsAfterLastOctet255", "10.0.0.253", "10.0.0.255", {"10.0.0.253", "10.0.0.254", "10.0.0.255"}},
        {"EndsAfterStaircaseTo255", "10.0.254.255", "10.0.255.255", {"10.0.254.255", "10.0.255.255"}},
        {"AllOnesIsNotPingedAndNothingWraps", "255.255.255.254", "255.255.255.255", {"255.255.255.254"}},
        {"LeadingZerosAreNotOctal", "010.0.0.010", "010.0.0.011", {"10.0.0.10", "10.0.0.11"}},
    };
    view.onAppend = [this](const std::string&) {  // a walk that never ends fails instead of hanging
        if (net.echoes.size() > 20) run->StopPinging();
    };
    for (const auto& row : rows) {
        net.echoes.clear();
        view.SetRange(row.start, row.stop);
        run->StartPinging();
        EXPECT_EQ(Destinations(), row.addresses) << row.name;
    }
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
TEST_F(RunTest, EachEchoOutcomeWritesOneLineAndCountsIt) {
    const std::string corrupted = "IP success from 10.0.0.2    RoundTripTime=7ms    DataCorrupted    TTL=57";
    const struct {
        const char* name;
        std::uint32_t status;
        std::uint32_t from;
        std::function<void(EchoAnswer&)> change;
        std::string line;
    } rows[] = {
        {"Success", 0, 0, nullptr, "IP success from 10.0.0.2    RoundTripTime=7ms    DataSize=120 bytes    TTL=57"},
        {"ZeroMsReply", 0, 0, [](EchoAnswer& a) { a.reply.RoundTripTime = 0; },
         "IP success from 10.0.0.2    RoundTripTime=0ms    DataSize=120 bytes    TTL=57"},
        {"AlteredByteIsCorrupted", 0, 0, [](EchoAnswer& a) { a.data.at(119) = 0; }, corrupted},
        {"ShorterEchoIsCorrupted", 0, 0, [](EchoAnswer& a) { a.reply.DataSize--; }, corrupted},
        {"LongerEchoIsCorrupted", 0, 0, [](EchoAnswer& a) { a.reply.DataSize++; }, corrupted},
        {"ReplyFromAnotherAddress", 0, kRouter, nullptr,
         "IP success from 10.0.0.254    RoundTripTime=7ms    DataSize=120 bytes    TTL=57"},
        {"TimeoutNamesTheTarget", IP_REQ_TIMED_OUT, 0, nullptr, "IP req timed out from 10.0.0.2"},
        {"TtlExpiredNamesTheRouter", IP_TTL_EXPIRED_TRANSIT, kRouter, nullptr,
         "IP ttl expired transit from 10.0.0.254"},
        {"UnknownStatus", 11049, 0, nullptr, "Unknown  msg returned from 10.0.0.2"},
    };
    view.SetRange("10.0.0.2", "10.0.0.2");
    for (const auto& row : rows) {
        net.answer = [&row](const EchoRequest& r) {
            EchoAnswer a = row.status ? EchoFailure(row.status, row.from) : EchoSuccess(r, 7, 57);
            if (row.from) a.reply.Address = row.from;
            if (row.change) row.change(a);
            return a;
        };
        view.log.clear();
        run->StartPinging();
        EXPECT_EQ(view.Lines(), std::vector<std::string>{row.line}) << row.name;
        EXPECT_EQ(view.panels[1], row.status ? "Received: 0" : "Received: 1") << row.name;
    }
}

// The fields are read again for every slot, each slot with its own payload
// byte; a value the request cannot carry sends nothing, and the run goes on.
TEST_F(RunTest, EachSlotSendsTheFieldsAsTheyStandOrWritesWhatCannotBeCarried) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.parameters[Control::DataSize] = "16";
    view.parameters[Control::Timeout] = "750";
    view.onAppend = [this, n = 0](const std::string&) mutable {
        view.parameters = {{Control::Num, "1"}, {Control::DataSize, "2"}, {Control::TTL, n++ ? "256" : "7"},
                           {Control::Timeout, "90"}, {Control::Delay, "1000"}};
    };
    ui.randoms = {0.0f, 0.99999994f};
    run->StartPinging();
    ASSERT_EQ(net.echoes.size(), 2u);
    EXPECT_EQ(net.echoes[0].ttl, 30);
    EXPECT_EQ(net.echoes[0].timeoutMs, 750u);
    EXPECT_EQ(net.echoes[0].data, std::vector<std::uint8_t>(16, 1));
    EXPECT_EQ(net.echoes[1].ttl, 7);
    EXPECT_EQ(net.echoes[1].timeoutMs, 90u);
    EXPECT_EQ(net.echoes[1].data, std::vector<std::uint8_t>(2, 254));
    EXPECT_EQ(view.Lines().at(2), "IP general failure from 10.0.0.3");
    EXPECT_EQ(view.panels[2], "Lost: 1");
}

// Values the request cannot carry: the platform's answer for each.
TEST(UncarriedRequestStatus, NamesWhatThePlatformWouldAnswer) {
    const struct {
        const char* name;
        double dataSize, ttl, timeout;
        std::int32_t status;  // 0: carried
    } rows[] = {
        {"DataSize1500", 1500, 30, 500, IP_BUF_TOO_SMALL},
        {"DataSizeBeyond16Bits", 70000, 30, 500, IP_BUF_TOO_SMALL},
        {"DataSizeNegative", -1, 30, 500, IP_GENERAL_FAILURE},
        {"TtlAbove255", 120, 256, 500, IP_GENERAL_FAILURE},
        {"TtlNegative", 120, -2, 500, IP_GENERAL_FAILURE},
        {"TimeoutBeyond32Bits", 120, 30, 4294967296, IP_GENERAL_FAILURE},
        {"TimeoutNegative", 120, 30, -1, IP_GENERAL_FAILURE},
        {"Largest", 1499, 255, 2147483647, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(UncarriedRequestStatus(r.dataSize, r.ttl, r.timeout).value_or(0), r.status) << r.name;
    }
}

// The name is looked up at every pass, without its blanks; a failed look-up is
// one slot without echo.
TEST_F(RunTest, NameIsResolvedAgainAtEveryPass) {
    view.targetMode = 1;
    view.hostName = " moving.test ";
    view.parameters[Control::Num] = "3";
    net.hosts["moving.test"] = AddressFromOctets(10, 0, 0, 1);
    run->StartPinging();
    net.hosts.clear();
    ASSERT_TRUE(RunTimer().Fire());
    net.hosts["moving.test"] = 0xFFFFFFFFu;
    RunToEnd();
    EXPECT_EQ(view.captions.front(), "Velmora [ moving.test ]");
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

// The figures after each run of round-trip times; -1: a lost echo.
TEST(Statistics, PanelsShowTheRunsFigures) {
    const struct {
        const char* name;
        std::vector<std::int64_t> rtts;
        const char* panels;
    } rows[] = {
        {"ZeroMsIsTheMinimum", {5, 0, 3}, "Sent: 3 Received: 3 Lost: 0 Maximum: 5 Minimum: 0 Average: 2"},
        {"AverageRoundsDown", {10, 10, 11}, "Sent: 3 Received: 3 Lost: 0 Maximum: 11 Minimum: 10 Average: 10"},
        {"AllLost", {-1, -1}, "Sent: 2 Received: 0 Lost: 2 Maximum: 0 Minimum: 0 Average: 0"},
        {"LostLeaveTheTimesAlone", {-1, 8, -1, 4}, "Sent: 4 Received: 2 Lost: 2 Maximum: 8 Minimum: 4 Average: 6"},
        {"Beyond32Bits", {4000000000, 4000000000}, "Sent: 2 Received: 2 Lost: 0 Maximum: 4000000000 "
                                                   "Minimum: 4000000000 Average: 4000000000"},
    };
    for (const auto& row : rows) {
        Statistics figures;
        for (const std::int64_t rtt : row.rtts) {
            figures.CountSent();
            if (rtt >= 0) figures.AddReply(std::uint32_t(rtt));
        }
        std::string texts;
        for (const std::string& text : figures.CurrentTexts()) texts += (texts.empty() ? "" : " ") + text;
        EXPECT_EQ(texts, row.panels) << row.name;
    }
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
