#include <stdexcept>

#include "main_window/RunFields.h"
#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

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
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_EQ(net.cleanups, 1);
    EXPECT_FALSE(RunTimer().enabled);
    EXPECT_EQ(view.Panels(), "Sent: 6 | Received: 6 | Lost: 0 | Maximum: 9 | Minimum: 2 | Average: 4");
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

// Answers that come after a Stop, or after the run has gone, write nothing:
// the name look-up's and the echo's.
TEST_F(DeferredRunTest, AnswersToAStoppedOrDestroyedRunWriteNothing) {
    view.targetMode = 1;
    view.hostName = "gateway.test";
    net.hosts["gateway.test"] = AddressFromOctets(10, 0, 0, 138);
    run->StartPinging();
    run->StopPinging();
    EXPECT_FALSE(view.running);
    run->StartPinging();
    run.reset();
    RunAllPending();
    EXPECT_TRUE(net.echoes.empty());

    view.targetMode = 2;
    run = std::make_unique<PingRun>(view, net, ui);
    run->StartPinging();
    run.reset();
    RunAllPending();
    EXPECT_EQ(net.echoes.size(), 1u);
    EXPECT_TRUE(net.open.empty());
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
    EXPECT_EQ(view.log, "");
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
    PingRun sequential(sequentialView, net, ui);
    sequential.StartPinging();
    ASSERT_TRUE(ui.timers.at(2)->Fire());
    EXPECT_EQ(view.log, sequentialView.log);
    EXPECT_EQ(view.Panels(), sequentialView.Panels());
}

// Sixty-four echoes wait at most; an answer lets the next slot go at the next
// tick. Stop abandons every echo in flight at once; their late answers write nothing.
TEST_F(RunTest, ParallelPassKeepsAtMost64EchoesInFlightAndStopAbandonsThem) {
    view.SetRange("10.0.0.1", "10.0.0.100");
    run->SetParallel(true);
    run->StartPinging();
    while (PaceTimer().Fire()) {
    }
    EXPECT_EQ(net.inFlight.size(), 64u);
    AnswerEchoTo("10.0.0.7");
    ASSERT_TRUE(PaceTimer().Fire());
    EXPECT_FALSE(PaceTimer().Fire());
    EXPECT_EQ(Destinations().back(), "10.0.0.65");
    AnswerEchoTo("10.0.0.1");
    run->StopPinging();

    EXPECT_FALSE(view.running);
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(PaceTimer().Fire());
    AnswerEchoTo("10.0.0.2");
    EXPECT_EQ(view.log, "IP success from 10.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

}  // namespace
}  // namespace velmora::test
