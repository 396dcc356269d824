#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

// The summary's average is rounded down: 29 / 6 is 4.
TEST_F(RunTest, TwoPassesOverThreeAddressesEndWithTheSummary) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.parameters[Control::Num] = "2";
    AnswerWithRtts({3, 5, 4, 2, 6, 9});
    run->StartPinging();
    EXPECT_EQ(view.Lines().size(), 3u);
    EXPECT_TRUE(view.running);
    RunToEnd();

    const std::string expected =
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
        "\r\n";
    EXPECT_EQ(view.log, expected);
    EXPECT_EQ(run->LogText(), expected);
    EXPECT_FALSE(view.running);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_EQ(net.cleanups, 1);
    EXPECT_FALSE(RunTimer().enabled);
    EXPECT_EQ(view.Panels(), "Sent: 6 | Received: 6 | Lost: 0 | Maximum: 9 | Minimum: 2 | Average: 4");
}

TEST_F(RunTest, OnePassHasNoPassNumbersAndNoSummary) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    run->StartPinging();
    EXPECT_EQ(view.log,
              "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n"
              "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
    EXPECT_FALSE(view.running);
    EXPECT_FALSE(RunTimer().enabled);
    EXPECT_EQ(net.cleanups, 1);
}

TEST_F(RunTest, LoopNumbersItsPassesUntilStop) {
    view.SetRange("10.0.0.1", "10.0.0.1");
    view.loop = true;
    view.parameters[Control::Num] = "1";
    run->StartPinging();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(RunTimer().Fire());
    EXPECT_TRUE(view.running);
    run->StopPinging();

    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 9u);
    for (int pass = 1; pass <= 4; ++pass) {
        EXPECT_EQ(lines[std::size_t(pass - 1)],
                  "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    Loop #" +
                      std::to_string(pass));
    }
    EXPECT_EQ(lines[5], "Ping Statistics from 10.0.0.1:");
    EXPECT_EQ(lines[6], "   Packets:   Sent = 4,   Received = 4,   Lost = 0");
    EXPECT_FALSE(view.running);
    EXPECT_FALSE(RunTimer().enabled);
}

TEST_F(RunTest, LoopStoppedAfterOnePassWritesNoSummary) {
    view.loop = true;
    run->StartPinging();
    run->StopPinging();
    EXPECT_EQ(view.Lines().size(), 1u);
    EXPECT_FALSE(view.running);
}

struct DelayCase {
    const char* name;
    const char* delay;
    int interval;
    friend void PrintTo(const DelayCase& c, std::ostream* os) { *os << c.name; }
};

class DelayTest : public RunTest, public testing::WithParamInterface<DelayCase> {};

TEST_P(DelayTest, NextPassComesAfterTheDelayAsTheTimerTakesIt) {
    view.loop = true;
    view.onAppend = [this](const std::string&) { view.parameters[Control::Delay] = GetParam().delay; };
    run->StartPinging();
    EXPECT_EQ(RunTimer().interval, GetParam().interval);
    EXPECT_TRUE(RunTimer().Fire());
    EXPECT_EQ(view.Lines().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Delays, DelayTest,
                         testing::Values(DelayCase{"AsTyped", "250", 250},
                                         DelayCase{"ZeroStillTicks", "0", 1},
                                         DelayCase{"NegativeStillTicks", "-40", 1},
                                         DelayCase{"AboveTheLimitIsTheLimit", "1E12", 2147483647}),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(DeferredRunTest, StopDuringAPassEndsItAfterTheEchoInFlight) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.parameters[Control::Num] = "5";
    view.panels.fill("Sent: 9");
    run->StartPinging();
    EXPECT_EQ(view.panels, Statistics::ZeroTexts()) << "zero until the first answer";
    EXPECT_TRUE(view.log.empty());
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(view.panels[0], "Sent: 1");
    run->StopPinging();
    EXPECT_FALSE(RunTimer().enabled);
    EXPECT_TRUE(view.running);
    EXPECT_EQ(net.cleanups, 0);

    ASSERT_TRUE(ui.RunPending());
    EXPECT_FALSE(ui.RunPending());
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_FALSE(view.running);
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_EQ(net.cleanups, 1);
}

// The interrupted pass counts: its lines carry its number, so the summary follows.
TEST_F(DeferredRunTest, StopDuringTheSecondLoopPassWritesTheSummary) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.loop = true;
    run->StartPinging();
    RunAllPending();
    ASSERT_TRUE(RunTimer().Fire());
    ASSERT_TRUE(ui.RunPending());
    run->StopPinging();
    RunAllPending();

    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[3], "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    Loop #2");
    EXPECT_EQ(lines[4], "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    Loop #2");
    EXPECT_EQ(lines[6], "Ping Statistics from 10.0.0.2:");
    EXPECT_EQ(lines[7], "   Packets:   Sent = 5,   Received = 5,   Lost = 0");
    EXPECT_EQ(Destinations().size(), 5u);
}

TEST_F(DeferredRunTest, StopDuringTheNameLookUpWritesNothing) {
    view.targetMode = 1;
    view.hostName = "gateway.test";
    net.hosts["gateway.test"] = AddressFromOctets(10, 0, 0, 138);
    run->StartPinging();
    run->StopPinging();
    EXPECT_TRUE(view.running);
    ASSERT_TRUE(ui.RunPending());
    EXPECT_FALSE(ui.RunPending());
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_TRUE(view.log.empty());
    EXPECT_FALSE(view.running);
    EXPECT_EQ(net.cleanups, 1);
}

TEST_F(DeferredRunTest, TicksDuringAPassRunOnePassRightAfterIt) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "3";
    run->StartPinging();
    ASSERT_TRUE(ui.RunPending());
    ASSERT_TRUE(RunTimer().Fire());
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.pending.size(), 1u);

    ASSERT_TRUE(ui.RunPending());  // pass 1 ends, pass 2 begins at once
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(ui.pending.size(), 1u);
    RunAllPending();
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.1", "10.0.0.2"}));
    EXPECT_TRUE(view.running);

    ASSERT_TRUE(RunTimer().Fire());
    RunAllPending();
    EXPECT_EQ(view.Lines()[5], "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    #3");
    EXPECT_FALSE(view.running);
}

TEST_F(DeferredRunTest, DestroyedWithAnEchoInFlightOrDuringTheNameLookUp) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    run->StartPinging();
    run.reset();
    ASSERT_TRUE(ui.RunPending());
    EXPECT_FALSE(ui.RunPending());
    EXPECT_EQ(net.echoes.size(), 1u);

    view.targetMode = 1;
    view.hostName = "gateway.test";
    run = std::make_unique<PingRun>(view, net, ui);
    run->StartPinging();
    run.reset();
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(net.lookups.size(), 1u);
    EXPECT_EQ(net.echoes.size(), 1u);
    EXPECT_TRUE(view.log.empty());
}

// The cleared pane and panels start again from the next slot.
TEST_F(DeferredRunTest, ClearLogDuringARunBlanksThePaneAndThePanelsUntilTheNextSlot) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    run->StartPinging();
    ASSERT_TRUE(ui.RunPending());
    run->ClearLog();
    EXPECT_EQ(view.log, "");
    EXPECT_EQ(run->LogText(), "");
    EXPECT_EQ(view.panels, Statistics::ZeroTexts());
    ASSERT_TRUE(ui.RunPending());
    EXPECT_EQ(view.panels[0], "Sent: 2");
    EXPECT_EQ(view.log, "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

}  // namespace
}  // namespace velmora::test
