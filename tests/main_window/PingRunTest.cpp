// The run over the fakes: the window's fields, a scripted network and toolkit.
// Its rules as the log pane and the panels show them (the range walk, the
// result lines, the figures, the pane's cut), then the start checks, the
// passes, the parallel sweep and the capture file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/mdbPing.h"
#include "main_window/CaptureFile.h"
#include "main_window/PingRun.h"
#include "main_window/RunFields.h"
#include "main_window/Statistics.h"
#include "monitoring/CsvExport.h"
#include "tests/support/CsvReader.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeRunView.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

class RunTest : public testing::Test {
protected:
    FakeRunView view;
    FakeNetworkServices net;
    FakeUiServices ui;
    EchoStore echoes;
    std::unique_ptr<PingRun> run = std::make_unique<PingRun>(view, net, ui, echoes);

    FakeTimer& RunTimer() { return *ui.timers.at(0); }
    FakeTimer& PaceTimer() { return *ui.timers.at(1); }

    // Answers the asynchronous echo in flight to this address.
    void AnswerEchoTo(const std::string& address) {
        const auto echo = std::find_if(net.inFlight.begin(), net.inFlight.end(), [&](const auto& e) {
            return mdbPing::LongToAddress(std::int32_t(e.request.destination)) == address;
        });
        ASSERT_NE(echo, net.inFlight.end()) << address;
        net.CompleteEcho(std::size_t(echo - net.inFlight.begin()));
    }

    // Fires the run timer until the run ends; only for runs that end by themselves.
    void RunToEnd() {
        while (view.running) ASSERT_TRUE(RunTimer().Fire()) << "the run waits for a tick that never comes";
    }

    // Completes every deferred echo and look-up, and those they start.
    void RunAllPending() {
        while (ui.RunPending()) {
        }
    }

    std::vector<std::string> Destinations() const {
        std::vector<std::string> out;
        for (const EchoRequest& e : net.echoes) out.push_back(mdbPing::LongToAddress(std::int32_t(e.destination)));
        return out;
    }

    // Each kept echo as "address pass status round-trip-us", series by series.
    static std::vector<std::string> EchoesOf(const EchoStore& store) {
        std::vector<std::string> out;
        for (std::size_t s = 0; s < store.SeriesCount(); ++s) {
            const EchoSeries& series = store.SeriesAt(s);
            series.Visit(0, [&](const EchoSample& e) {
                out.push_back(series.Address() + " " + std::to_string(e.pass) + " " + std::to_string(e.status) + " " +
                              std::to_string(e.roundTripUs));
                return true;
            });
        }
        return out;
    }

    std::vector<std::string> Prompts() const {
        std::vector<std::string> out;
        for (const ShownBox& box : ui.boxes) out.push_back(box.prompt);
        return out;
    }
};

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
    EXPECT_EQ(net.echoes[0].replySize, 1528u);
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
        {"DataSizeNegative", -1, 30, 500, IP_GENERAL_FAILURE},   {"TtlAbove255", 120, 256, 500, IP_GENERAL_FAILURE},
        {"TtlNegative", 120, -2, 500, IP_GENERAL_FAILURE},       {"TimeoutNegative", 120, 30, -1, IP_GENERAL_FAILURE},
        {"TimeoutBeyond32Bits", 120, 30, 4294967296, IP_GENERAL_FAILURE},
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
    } rows[] = {{16000, 1}, {16001, 1}, {100, 161}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lineLength * std::size_t(row.lines));
        run->ClearLog();
        for (int i = 0; i < row.lines; ++i) run->WriteLog(std::string(row.lineLength - 2, 'x'));
        const std::string shown = run->LogText();
        run->WriteLog("next");
        const bool cut = shown.size() > 16000;
        EXPECT_EQ(run->LogText(), (cut ? shown.substr(shown.size() - 12001) : shown) + "next\r\n");
        EXPECT_EQ(view.log, run->LogText());
    }
}

// --- Start checks ---

// Over the range 10.0.0.1 to 10.0.0.3: a start the checks refuse (its message,
// none when silent; the focus, none when it stays) or one that goes ahead.
struct StartCase {
    const char* name;
    std::function<void(FakeRunView&)> edit;
    const char* prompt;
    std::optional<Control> focus;
    bool starts = false;
    friend void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
};

StartCase Range(const char* name, const char* start, const char* stop, const char* prompt,
                std::optional<Control> focus) {
    return {name, [start, stop](FakeRunView& v) { v.SetRange(start, stop); }, prompt, focus};
}
StartCase Field(const char* name, Control field, const char* text, const char* prompt) {
    return {name, [field, text](FakeRunView& v) { v.parameters[field] = text; }, prompt, field};
}
StartCase Accepted(const char* name, Control field, const char* text) {
    return {name, [field, text](FakeRunView& v) { v.parameters[field] = text; }, nullptr, std::nullopt, true};
}

class StartCheckTest : public RunTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartCheckTest, RefusesWithoutStartingAnythingOrStarts) {
    const StartCase& c = GetParam();
    view.SetRange("10.0.0.1", "10.0.0.3");
    c.edit(view);
    run->StartPinging();
    EXPECT_EQ(Prompts(), c.prompt ? std::vector<std::string>{c.prompt} : std::vector<std::string>{});
    for (const ShownBox& box : ui.boxes) EXPECT_EQ(box.style, vbOKOnly);
    EXPECT_EQ(view.focus, c.focus ? std::vector<Control>{*c.focus} : std::vector<Control>{});
    EXPECT_EQ(net.startups, c.starts ? 1 : 0);
    EXPECT_EQ(view.captions.empty(), !c.starts);
    EXPECT_EQ(net.echoes.empty(), !c.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, StartCheckTest,
    testing::Values(
        Range("EmptyStartOctet", "10.0.  .1", "10.0.0.3", nullptr, std::nullopt),
        Range("EmptyStopOctet", "10.0.0.1", ".0.0.3", nullptr, std::nullopt),
        Range("StartAboveStopInLastOctet", "10.0.0.200", "10.0.1.5", nullptr, Control::StopIp3),
        Range("StartAboveStopInAHigherOctet", "10.0.1.1", "10.0.0.9", nullptr, Control::StopIp3),
        Range("StartOctetAbove255", "10.0.999.1", "10.0.999.1", "Each part of the Start IP should be 255 or less",
              Control::StartIp2),
        Range("StopOctetAbove255", "10.0.0.1", "10.0.0.256", "Each part of the Stop IP should be 255 or less",
              Control::StopIp3),
        StartCase{"EmptyHostName", [](FakeRunView& v) { v.targetMode = 1, v.hostName = " \t "; }, nullptr,
                  Control::HostName},
        Field("DataSize1500", Control::DataSize, "1500", "DataSize should be less than 1500"),
        Field("DataSizeRoundedTo1500", Control::DataSize, "1499.5", "DataSize should be less than 1500"),
        Field("DataSizeNegative", Control::DataSize, "-5", "DataSize should be 0 or more"),
        Field("TtlAbove255", Control::TTL, "256", "TTL should be 255 or less"),
        Field("TimeoutBeyond32Bits", Control::Timeout, "2147483648", "Timeout should be 2147483647 or less"),
        Field("DelayAboveTimerLimit", Control::Delay, "1E10", "Delay should be 2147483647 or less"),
        Field("DelayNegative", Control::Delay, "-1", "Delay should be 0 or more"),
        Accepted("DataSize1499", Control::DataSize, "1499"), Accepted("DelayZero", Control::Delay, "0"),
        Accepted("TtlFractionRoundsDownTo255", Control::TTL, "255.4"),
        Accepted("Timeout32Bits", Control::Timeout, "2147483647"),
        Accepted("DelayAtTimerLimit", Control::Delay, "2147483647"),
        Accepted("NegativeNumIsOnePass", Control::Num, "-5")),
    [](const auto& info) { return std::string(info.param.name); });

// A failed start-up leaves Stop enabled; Stop then releases without repeating
// the earlier run's summary.
TEST_F(RunTest, FailedSocketsStartupLeavesTheCommandsRunningUntilStop) {
    view.parameters[Control::Num] = "2";
    run->StartPinging();
    RunToEnd();
    const std::string afterFirstRun = view.log;
    net.startupResult = 10091;
    run->StartPinging();
    const std::string notResponding = "Windows Sockets for 32 bit Windows environments is not successfully responding.";
    EXPECT_EQ(Prompts(), std::vector<std::string>(2, notResponding));
    EXPECT_TRUE(view.running);
    EXPECT_FALSE(RunTimer().Fire());
    run->StopPinging();
    EXPECT_EQ(Prompts().back(), "Windows Sockets error -1 occurred in Cleanup.");
    EXPECT_EQ(view.log, afterFirstRun);
}

// --- Passes ---

// The summary's average is rounded down: 29 / 6 is 4.
TEST_F(RunTest, TwoPassesOverThreeAddressesEndWithTheSummary) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.parameters[Control::Num] = "2";
    net.answer = [rtts = std::vector<std::uint32_t>{3, 5, 4, 2, 6, 9}, n = 0](const EchoRequest& r) mutable {
        return EchoSuccess(r, rtts.at(std::size_t(n++)));
    };
    run->StartPinging();
    EXPECT_EQ(view.Lines().size(), 3u);
    EXPECT_EQ(RunTimer().interval, 1000);
    RunToEnd();
    EXPECT_EQ(view.log,
              "IP success from 10.0.0.1    RoundTripTime=3ms    DataSize=120 bytes    TTL=64    #1\r\n"
              "IP success from 10.0.0.2    RoundTripTime=5ms    DataSize=120 bytes    TTL=64    #1\r\n"
              "IP success from 10.0.0.3    RoundTripTime=4ms    DataSize=120 bytes    TTL=64    #1\r\n"
              "IP success from 10.0.0.1    RoundTripTime=2ms    DataSize=120 bytes    TTL=64    #2\r\n"
              "IP success from 10.0.0.2    RoundTripTime=6ms    DataSize=120 bytes    TTL=64    #2\r\n"
              "IP success from 10.0.0.3    RoundTripTime=9ms    DataSize=120 bytes    TTL=64    #2\r\n"
              "\r\n"
              "Ping Statistics from 10.0.0.3:\r\n"
              "   Packets:   Sent = 6,   Received = 6,   Lost = 0\r\n"
              "   RoundTripTimes:   Maximum = 9,  Minimum = 2,  Average = 4\r\n"
              "\r\n");
    EXPECT_EQ(net.cleanups, 1);
    EXPECT_FALSE(RunTimer().enabled);
}

// The data set: every line's echo, with the round trip to the microsecond
// beside the line's milliseconds, the time its slot began and its pass.
TEST_F(RunTest, EachLineRecordsItsEchoIntoTheDataSet) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "2";
    ui.clockStepUs = 250'000;
    net.answer = [](const EchoRequest& r) {
        if (OctetOf(r.destination, 3) == 2) return EchoFailure(IP_REQ_TIMED_OUT);
        EchoAnswer a = EchoSuccess(r, 3, 61);
        a.reply.RoundTripMicroseconds = 3417;
        return a;
    };
    const std::int64_t startUs = ui.unixTimeUs;
    run->StartPinging();
    RunToEnd();
    EXPECT_EQ(view.Lines().at(0), "IP success from 10.0.0.1    RoundTripTime=3ms    DataSize=120 bytes    TTL=61    #1");
    EXPECT_EQ(EchoesOf(echoes), (std::vector<std::string>{"10.0.0.1 0 0 3417", "10.0.0.1 1 0 3417",
                                                           "10.0.0.2 0 11010 0", "10.0.0.2 1 11010 0"}));
    const EchoSample first = echoes.SeriesAt(0).At(0);
    EXPECT_EQ(first.timeUs, startUs);
    EXPECT_EQ(first.RoundTripMs(), 3u);
    EXPECT_EQ(first.ttl, 61);
    EXPECT_EQ(first.dataSize, 120);
    EXPECT_TRUE(first.dataIntact);
    EXPECT_EQ(echoes.SeriesAt(1).At(0).timeUs, startUs + 250'000);
    EXPECT_EQ(echoes.SeriesAt(0).HostNameAt(0), "");
}

// The name as typed goes with each echo; a name that does not resolve is an
// echo of no address. A new Start begins a new data set.
TEST_F(RunTest, HostNameEchoesCarryTheNameAndANewStartBeginsANewDataSet) {
    view.targetMode = 1;
    view.hostName = " watched.test ";
    net.hosts["watched.test"] = AddressFromOctets(10, 0, 0, 9);
    run->StartPinging();
    ASSERT_EQ(echoes.SeriesCount(), 1u);
    EXPECT_EQ(echoes.SeriesAt(0).Address(), "10.0.0.9");
    EXPECT_EQ(echoes.SeriesAt(0).HostNameAt(0), "watched.test");

    view.hostName = "nowhere.test";
    run->StartPinging();
    EXPECT_EQ(EchoesOf(echoes), std::vector<std::string>{" 0 11024 0"});
}

// With time stamps on, each result line starts with its echo's time, the
// same time the export writes for it; the summary is never stamped.
TEST_F(RunTest, StampedLinesAndTheExportShareEachEchosTime) {
    view.targetMode = 1;
    view.hostName = "say \"hi\", there";
    net.hosts[view.hostName] = AddressFromOctets(10, 0, 0, 9);
    view.parameters[Control::Num] = "2";
    ui.unixTimeUs = 1'796'634'902'123'456;  // 2026-12-07 09:15:02.123456 UTC
    ui.clockStepUs = 1'500'000;
    run->SetTimestamps(true);
    run->StartPinging();
    RunToEnd();
    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "2026-12-07 09:15:02.123  IP success from 10.0.0.9    RoundTripTime=1ms    DataSize=120 bytes    "
                        "TTL=64    #1");
    EXPECT_EQ(lines[3], "Ping Statistics from 10.0.0.9:");
    const auto rows = ReadCsv(EchoCsv(echoes));
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::string stamp = lines[i - 1].substr(0, 23);
        stamp[10] = 'T';
        EXPECT_EQ(rows[i][0], stamp + "+00:00");
        EXPECT_EQ(rows[i][1], std::to_string(i));
        EXPECT_EQ(rows[i][3], "say \"hi\", there");
    }
    run->SetTimestamps(false);
    run->StartPinging();
    EXPECT_EQ(view.Lines().back().rfind("IP success", 0), 0u) << "off again: the line as without stamps";
}

// Alerts follow the data set and are delivered at the pass's end; where the
// desktop takes no notification, the log pane shows it. Off, nothing is sent.
TEST_F(RunTest, AlertsGoToTheDesktopElseIntoTheLogPane) {
    view.SetRange("10.0.0.1", "10.0.0.5");
    bool down = false;
    net.answer = [&down](const EchoRequest& r) { return down ? EchoFailure(IP_REQ_TIMED_OUT) : EchoSuccess(r, 1); };
    view.loop = true;
    run->SetAlerts(true, 1);
    run->StartPinging();
    down = true;
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.notifications,
              std::vector<std::string>{"Velmora|5 hosts are down: 10.0.0.1, 10.0.0.2, 10.0.0.3 and 2 more"});
    ui.notificationsUndelivered = true;
    down = false;
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(view.Lines().back(), "5 hosts are up again: 10.0.0.1, 10.0.0.2, 10.0.0.3 and 2 more");
    run->SetAlerts(false, 1);
    down = true;
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.notifications.size(), 2u);
    EXPECT_EQ(view.Lines().back().rfind("IP req timed out", 0), 0u);
}

// A step that throws (here a worker that cannot be had) writes its slot as a
// general failure, and the run goes on.
TEST_F(RunTest, AStepThatThrowsWritesAGeneralFailureAndTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    net.answer = [n = 0](const EchoRequest& r) mutable {
        if (n++ == 1) throw std::runtime_error("no thread");
        return EchoSuccess(r, 1);
    };
    run->StartPinging();
    EXPECT_EQ(view.Lines(), (std::vector<std::string>{
                                "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64",
                                "IP general failure from 10.0.0.2",
                                "IP success from 10.0.0.3    RoundTripTime=1ms    DataSize=120 bytes    TTL=64"}));
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(view.running);
}

// The timer takes 1 to 2^31 - 1 ms; 0 would stop it.
TEST(DelayInterval, KeepsTheDelayWithinWhatTheTimerTakes) {
    const std::pair<double, int> rows[] = {{250, 250}, {0, 1}, {-40, 1}, {1E12, 2147483647}};
    for (const auto& [delay, interval] : rows) EXPECT_EQ(DelayInterval(delay), interval) << delay;
}

// A pass's last slot ends it: its Delay would time nothing.
TEST_F(RunTest, LastSlotOfTheLastPassLeavesTheIntervalAlone) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.onAppend = [this, delays = std::vector<std::string>{"70", "80"}, n = 0](const std::string&) mutable {
        view.parameters[Control::Delay] = delays.at(std::size_t(n++));
    };
    run->StartPinging();
    EXPECT_EQ(RunTimer().intervalWrites, 2);  // the start's 0, then the first slot's
    EXPECT_EQ(RunTimer().interval, 70);
}

// --- Echoes that wait: the fake holds background work until RunPending ---

class DeferredRunTest : public RunTest {
protected:
    void SetUp() override { ui.deferBackground = true; }
};

// The echo in flight never answers: Stop abandons it, and the first pass's
// lines with the second's one line make the summary.
TEST_F(DeferredRunTest, StopDuringASilentEchoEndsTheRunAtOnceAndAStartRunsAgain) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.loop = true;
    view.panels.fill("Sent: 9");
    run->StartPinging();
    EXPECT_EQ(view.panels, Statistics::ZeroTexts()) << "zero until the first answer";
    RunAllPending();
    ASSERT_TRUE(RunTimer().Fire());
    ASSERT_TRUE(ui.RunPending());
    run->StopPinging();

    EXPECT_FALSE(view.running);
    EXPECT_FALSE(RunTimer().enabled);
    EXPECT_TRUE(net.open.empty()) << "the waiting echo's handle is closed, which ends its wait";
    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[3], "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    Loop #2");
    EXPECT_EQ(lines[5], "Ping Statistics from 10.0.0.1:");
    EXPECT_EQ(lines[6], "   Packets:   Sent = 4,   Received = 4,   Lost = 0");

    RunAllPending();  // the abandoned echo's late answer changes nothing
    EXPECT_EQ(view.Lines(), lines);
    run->StartPinging();
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(view.Lines().size(), 10u);
}

// Every slot writes the interval, which restarts the count: a tick that falls
// due during a slow echo is dropped, and the next pass comes Delay after the
// last line.
TEST_F(DeferredRunTest, NextPassComesADelayAfterTheLastLineEvenAfterASlowEcho) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "3";
    run->StartPinging();
    ASSERT_TRUE(ui.RunPending());
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.pending.size(), 1u);
    const int writes = RunTimer().intervalWrites;
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(RunTimer().intervalWrites, writes + 1);
    EXPECT_TRUE(ui.pending.empty()) << "no pass before the next tick";
    ASSERT_TRUE(RunTimer().Fire());
    RunAllPending();
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.1", "10.0.0.2"}));
}

// The cleared pane and panels start again from the next slot.
TEST_F(DeferredRunTest, ClearLogDuringARunBlanksThePaneAndThePanelsUntilTheNextSlot) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    run->StartPinging();
    ASSERT_TRUE(ui.RunPending());
    run->ClearLog();
    EXPECT_EQ(view.log + run->LogText(), "");
    EXPECT_EQ(view.panels, Statistics::ZeroTexts());
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(view.panels[0], "Sent: 2");
    EXPECT_EQ(view.log, "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

// --- Parallel mode ---

// Live, silent and unreachable addresses: the answer depends on the target only.
EchoAnswer AnswerOfMixedRange(const EchoRequest& r) {
    switch (OctetOf(r.destination, 3)) {
        case 2: return EchoFailure(IP_REQ_TIMED_OUT);
        case 4: return EchoFailure(IP_DEST_HOST_UNREACHABLE, AddressFromOctets(10, 0, 0, 254));
        default: return EchoSuccess(r, OctetOf(r.destination, 3));
    }
}

// Two passes of five slots, the answers in another order than the range's:
// every line, the figures and the summary are the sequential run's.
TEST_F(RunTest, ParallelPassWritesTheSequentialLinesWhateverOrderTheAnswersComeIn) {
    view.SetRange("10.0.0.1", "10.0.0.5");
    view.parameters[Control::Num] = "2";
    net.answer = AnswerOfMixedRange;
    run->SetParallel(true);
    run->StartPinging();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            ASSERT_TRUE(RunTimer().Fire());
        }
        while (PaceTimer().Fire()) {
        }
        EXPECT_EQ(net.inFlight.size(), 5u) << "one a tick until the range is sent";
        AnswerEchoTo("10.0.0.3");
        AnswerEchoTo("10.0.0.5");
        EXPECT_EQ(view.Lines().size(), std::size_t(5 * pass)) << "no line before the first slot's";
        for (const char* address : {"10.0.0.1", "10.0.0.4", "10.0.0.2"}) AnswerEchoTo(address);
    }
    EXPECT_FALSE(view.running);
    EXPECT_TRUE(net.open.empty());

    FakeRunView sequentialView;
    sequentialView.SetRange("10.0.0.1", "10.0.0.5");
    sequentialView.parameters[Control::Num] = "2";
    EchoStore sequentialEchoes;
    PingRun sequential(sequentialView, net, ui, sequentialEchoes);
    sequential.StartPinging();
    ASSERT_TRUE(ui.timers.at(2)->Fire());
    EXPECT_EQ(view.log, sequentialView.log);
    EXPECT_EQ(view.panels, sequentialView.panels);
    EXPECT_EQ(EchoesOf(echoes), EchoesOf(sequentialEchoes));
}

// As many echoes wait at once as the Timeout lets come and go at one a
// millisecond (1024 at most, more than an octet walk holds); an answer lets the next slot go at the next
// tick. All go through the pass's one sweep handle, whose closing at Stop
// abandons every echo in flight at once: their late answers write nothing.
TEST_F(RunTest, ParallelPassKeepsWhatTheTimeoutAllowsInFlightThroughOneSweepHandle) {
    const struct {
        const char* timeout;
        std::size_t inFlight;
    } rows[] = {{"100", 100}, {"0", 1}, {"900", 900}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.timeout);
        net.inFlight.clear();
        net.echoes.clear();
        run->ClearLog();
        view.SetRange("1.0.0.1", "254.254.254.254");  // about a thousand addresses
        view.parameters[Control::Timeout] = row.timeout;
        run->SetParallel(true);
        run->StartPinging();
        while (PaceTimer().Fire()) {
        }
        EXPECT_EQ(net.inFlight.size(), row.inFlight);
        AnswerEchoTo("1.0.0.1");
        ASSERT_TRUE(PaceTimer().Fire());
        EXPECT_FALSE(PaceTimer().Fire());
        EXPECT_EQ(net.inFlight.size(), row.inFlight);
        ASSERT_EQ(net.sweeps.size(), 1u);
        const IcmpHandle sweep = *net.sweeps.begin();
        EXPECT_EQ(net.open, std::set<IcmpHandle>{sweep}) << "no handle of its own for any echo";
        EXPECT_TRUE(std::ranges::all_of(net.echoes, [&](const EchoRequest& e) { return e.handle == sweep; }));
        run->StopPinging();
        EXPECT_FALSE(view.running);
        EXPECT_TRUE(net.open.empty());
        EXPECT_FALSE(PaceTimer().Fire());
        AnswerEchoTo("1.0.0.2");
        EXPECT_EQ(view.log, "IP success from 1.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
        net.sweeps.clear();
    }
}

// --- Capture ---

const std::string kPath = "/home/user/logs/run.log";

class CaptureTest : public RunTest {
protected:
    void OpenCapture(const std::string& path = kPath) {
        ui.dialogAnswers.push_back(path);
        run->OpenCaptureFile();
    }
};

// Yes replaces, No appends, Cancel shows the dialog again.
TEST_F(CaptureTest, AnExistingFileIsReplacedOrAppendedToOrAnotherChosen) {
    const struct {
        int answer;
        const char* contents;
    } rows[] = {{vbYes, "new\r\n"}, {vbNo, "old\r\nnew\r\n"}, {vbCancel, "old\r\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        ui.files = {{kPath, "old\r\n"}};
        ui.answers = {row.answer};
        ui.boxes.clear();
        ui.dialogAnswers = {kPath, std::string("/tmp/other.log")};
        run->OpenCaptureFile();
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].prompt, "Replace existing file - /home/user/logs/run.log?");
        EXPECT_EQ(ui.boxes[0].style, vbYesNoCancelQuestion | vbDefaultButton2) << "Enter answers No";
        run->WriteLog("new");
        EXPECT_EQ(ui.files.at(kPath), row.contents);
        EXPECT_EQ(ui.files.count("/tmp/other.log"), row.answer == vbCancel ? 1u : 0u);
        run->CloseCaptureFile();
    }
}

TEST_F(CaptureTest, FailuresOnTheWayInSayWhyAndLeaveNoCapture) {
    for (auto failures : {&FakeUiServices::existsFailures, &FakeUiServices::deleteFailures,
                          &FakeUiServices::openFailures}) {
        ui.files = {{kPath, "old\r\n"}};
        ui.answers = {vbYes};
        ui.boxes.clear();
        (ui.*failures).push_back("Permission denied");
        const std::size_t dialogs = ui.dialogs.size();
        OpenCapture();
        EXPECT_EQ(ui.boxes.back().prompt, "Cannot capture to " + kPath + ": Permission denied\nChoose another file?");
        EXPECT_EQ(ui.boxes.back().style, vbRetryCancelExclamation);
        EXPECT_EQ(ui.dialogs.size(), dialogs + 1) << "Cancel gives up";
        EXPECT_FALSE(run->Capturing());
        EXPECT_TRUE(view.captions.empty());
        EXPECT_TRUE(ui.openFiles.empty());
    }
    run->WriteLog("line");
    EXPECT_TRUE(ui.writes.empty());
}

// Retry on a refused file shows the dialog again, and the next file is used.
TEST_F(CaptureTest, ARefusedFileOffersTheDialogAgain) {
    ui.openFailures = {"Permission denied"};
    ui.answers = {vbRetry};
    ui.dialogAnswers = {std::string("/usr/share/velmora/run.log"), kPath};
    run->OpenCaptureFile();
    EXPECT_EQ(Prompts(), std::vector<std::string>{CaptureRefusal("/usr/share/velmora/run.log", "Permission denied")});
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_TRUE(run->Capturing());
    EXPECT_EQ(ui.openFiles.begin()->second, kPath);
}

// Retry writes the same text again; Cancel gives it up and the run goes on.
TEST_F(CaptureTest, FailedWritesAskAndTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    OpenCapture();
    ui.writeFailures = {"Disk full", "Disk full", "Disk full"};
    ui.answers = {vbRetry, vbCancel, vbRetry};
    run->StartPinging();
    EXPECT_EQ(Prompts(), std::vector<std::string>(3, "Disk full"));
    EXPECT_EQ(ui.boxes[0].style, vbRetryCancelCritical);
    EXPECT_EQ(ui.writes.size(), 4u);
    EXPECT_EQ(ui.writes[0], ui.writes[1]);
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(ui.files.at(kPath), "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

TEST_F(CaptureTest, TheFileHoldsExactlyWhatThePaneShowsFromTheOpening) {
    run->WriteLog("before the capture");
    OpenCapture();
    view.parameters[Control::Num] = "2";
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); };
    run->StartPinging();
    RunToEnd();
    const std::string captured = ui.files.at(kPath);
    EXPECT_EQ("before the capture\r\n" + captured, view.log);
    EXPECT_EQ(ui.writes.size(), 3u) << "one write per text: the summary is one";
    run->ClearLog();
    EXPECT_EQ(ui.files.at(kPath), captured) << "Clear log leaves the file alone";
}

// The summary's write-error box runs an event loop while the timer is still
// on: a tick then must not start another pass of the ended run.
TEST_F(CaptureTest, TickDuringTheEndOfTheRunStartsNothing) {
    view.parameters[Control::Num] = "2";
    OpenCapture();
    run->StartPinging();
    ui.writeFailures = {"Disk full", "Disk full"};
    ui.onMsgBox = [this](const ShownBox&) { RunTimer().Fire(); };
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.boxes.size(), 2u);  // the second pass's line, then the summary
    EXPECT_EQ(net.echoes.size(), 2u);
    EXPECT_FALSE(view.running);
}

// Cancelled, the dialog changes nothing; a new file is created and named in
// the caption, which shows the last of capture and run; closing either shows Velmora.
TEST_F(CaptureTest, DialogCreatesANewFileAndCaptureAndRunShareTheCaption) {
    run->OpenCaptureFile();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].title, "Open Capture File...");
    EXPECT_EQ(ui.dialogs[0].filter, "Log Files (*.log)|*.log");
    EXPECT_EQ(ui.dialogs[0].flags, 0x80004);
    EXPECT_TRUE(view.captions.empty());
    view.loop = true;
    OpenCapture();
    EXPECT_EQ(view.Caption(), "Velmora [run.log]");
    EXPECT_EQ(ui.files.at(kPath), "");
    run->StartPinging();
    EXPECT_EQ(view.Caption(), "Velmora [10.0.0.1]");
    run->StopPinging();
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_TRUE(view.capturing);
    run->CloseCaptureFile();
    run->StartPinging();
    OpenCapture("/tmp/second.log");
    EXPECT_EQ(view.Caption(), "Velmora [second.log]");
    run->CloseCaptureFile();
    EXPECT_EQ(view.Caption(), "Velmora");
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.files.at("/tmp/second.log"), "") << "nothing is written after the close";
    OpenCapture();
    run.reset();
    EXPECT_TRUE(ui.openFiles.empty()) << "destroying the run closes the file";
}

}  // namespace
}  // namespace velmora::test
