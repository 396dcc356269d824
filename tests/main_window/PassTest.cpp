#include <stdexcept>

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
    EXPECT_EQ(net.opened.size(), 2u) << "a handle for each echo";
    EXPECT_TRUE(net.open.empty());
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
    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "IP general failure from 10.0.0.2");
    EXPECT_EQ(lines[2], "IP success from 10.0.0.3    RoundTripTime=1ms    DataSize=120 bytes    TTL=64");
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(view.running);
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
    EXPECT_EQ(net.cleanups, 1);
    EXPECT_EQ(view.Caption(), "Velmora");
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
    EXPECT_TRUE(view.running);
}

TEST_F(DeferredRunTest, StopDuringTheNameLookUpWritesNothing) {
    view.targetMode = 1;
    view.hostName = "gateway.test";
    net.hosts["gateway.test"] = AddressFromOctets(10, 0, 0, 138);
    run->StartPinging();
    run->StopPinging();
    EXPECT_FALSE(view.running);
    EXPECT_EQ(net.cleanups, 1);
    ASSERT_TRUE(ui.RunPending());
    EXPECT_FALSE(ui.RunPending());
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_TRUE(view.log.empty());
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
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(RunTimer().intervalWrites, writes + 1);
    EXPECT_EQ(RunTimer().interval, 1000);
    EXPECT_TRUE(ui.pending.empty()) << "no pass before the next tick";
    ASSERT_TRUE(RunTimer().Fire());
    RunAllPending();
    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.1", "10.0.0.2"}));
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
        AnswerEchoTo("10.0.0.1");
        AnswerEchoTo("10.0.0.4");
        EXPECT_EQ(view.Lines().size(), std::size_t(5 * pass + 1));
        AnswerEchoTo("10.0.0.2");
    }
    EXPECT_FALSE(view.running);
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(PaceTimer().enabled);

    FakeRunView sequentialView;
    sequentialView.SetRange("10.0.0.1", "10.0.0.5");
    sequentialView.parameters[Control::Num] = "2";
    PingRun sequential(sequentialView, net, ui);
    sequential.StartPinging();
    ASSERT_TRUE(ui.timers.at(2)->Fire());
    EXPECT_FALSE(sequentialView.running);
    EXPECT_EQ(view.log, sequentialView.log);
    EXPECT_EQ(view.Panels(), sequentialView.Panels());
}

// Sixty-four echoes wait at most; an answer lets the next slot go at the next tick.
TEST_F(RunTest, ParallelPassKeepsAtMost64EchoesInFlight) {
    view.SetRange("10.0.0.1", "10.0.0.100");
    run->SetParallel(true);
    run->StartPinging();
    while (PaceTimer().Fire()) {
    }
    EXPECT_EQ(net.inFlight.size(), 64u);
    EXPECT_EQ(PaceTimer().interval, 1);
    AnswerEchoTo("10.0.0.7");
    EXPECT_TRUE(view.log.empty());
    ASSERT_TRUE(PaceTimer().Fire());
    EXPECT_FALSE(PaceTimer().Fire());
    EXPECT_EQ(Destinations().back(), "10.0.0.65");
}

// Stop abandons every echo in flight at once; their late answers write nothing.
TEST_F(RunTest, StopDuringAParallelPassClosesEveryEchoAndDropsTheirAnswers) {
    view.SetRange("10.0.0.1", "10.0.0.9");
    view.loop = true;
    run->SetParallel(true);
    run->StartPinging();
    ASSERT_TRUE(PaceTimer().Fire());
    ASSERT_TRUE(PaceTimer().Fire());
    AnswerEchoTo("10.0.0.1");
    AnswerEchoTo("10.0.0.3");
    run->StopPinging();

    EXPECT_FALSE(view.running);
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(PaceTimer().Fire());
    EXPECT_EQ(net.cleanups, 1);
    AnswerEchoTo("10.0.0.2");
    EXPECT_EQ(view.log, "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    Loop #1\r\n");
}

}  // namespace
}  // namespace velmora::test
