// The toolkit layer's timers, background work and random numbers, on a real
// event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/QtUiServices.h"

namespace velmora {
namespace {

// Turns the event loop until `done` holds or five seconds pass.
bool SpinUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class ToolkitTest : public testing::Test {
protected:
    QtUiServices ui;
    std::unique_ptr<Timer> timer = ui.CreateTimer();
    int ticks = 0;

    void SetUp() override { timer->OnTimer([this] { ++ticks; }); }
};

// Enabled and Interval are independent; writing the interval restarts the count.
TEST_F(ToolkitTest, OnlyAnEnabledTimerWithANonZeroIntervalFiresAndRewritingTheIntervalRestartsIt) {
    timer->SetInterval(1);
    Spin(30);
    EXPECT_EQ(ticks, 0) << "an interval alone starts nothing";
    timer->SetEnabled(true);
    EXPECT_TRUE(SpinUntil([&] { return ticks >= 2; })) << "an enabled timer with an interval fires, repeatedly";
    timer->SetInterval(0);
    const int stoppedAt = ticks;
    Spin(50);
    EXPECT_EQ(ticks, stoppedAt) << "interval 0 never fires";
    EXPECT_TRUE(timer->Enabled());
    // Rewritten every 100 ms, a 1000 ms count never completes.
    for (int i = 0; i < 12; ++i) {
        timer->SetInterval(1000);
        Spin(100);
    }
    EXPECT_EQ(ticks, stoppedAt);
    timer->SetEnabled(false);
    timer->SetInterval(1);
    Spin(30);
    EXPECT_EQ(ticks, stoppedAt);
    EXPECT_EQ(timer->Interval(), 1);
}

// A name look-up that nobody waits for any more may hold its worker for
// long; the next run's work must not queue behind it.
TEST_F(ToolkitTest, WorkAnswersOnTheUserInterfaceThreadNotHeldUpByEarlierWorkThatHangs) {
    const auto release = std::make_shared<std::atomic<bool>>(false);  // outlives this test's frame
    ui.RunInBackground(
        [release] {
            while (!*release) std::this_thread::yield();
        },
        [] {});
    std::thread::id workThread, doneThread;
    ui.RunInBackground([&] { workThread = std::this_thread::get_id(); },
                       [&] { doneThread = std::this_thread::get_id(); });
    EXPECT_TRUE(SpinUntil([&] { return doneThread != std::thread::id(); }));
    *release = true;
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_EQ(doneThread, std::this_thread::get_id());
}

TEST(ToolkitLifetime, WorkThatOutlivesTheServicesNeverAnswers) {
    auto ui = std::make_unique<QtUiServices>();
    std::atomic<bool> release{false}, finished{false};
    bool answered = false;
    ui->RunInBackground(
        [&] {
            while (!release) std::this_thread::yield();
            finished = true;
        },
        [&] { answered = true; });
    ui.reset();
    release = true;
    ASSERT_TRUE(SpinUntil([&] { return finished.load(); }));
    Spin(30);
    EXPECT_FALSE(answered);
}

TEST(ToolkitRandom, ValuesStayInsideZeroToOneAndCoverThePayloadBytes) {
    QtUiServices ui;
    std::array<bool, 256> seen{};
    for (int i = 0; i < 200000; ++i) {
        const float r = ui.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        seen[std::size_t(r * 254 + 1)] = true;
    }
    EXPECT_FALSE(seen[0]);
    EXPECT_FALSE(seen[255]);
    for (int byte = 1; byte <= 254; ++byte) EXPECT_TRUE(seen[std::size_t(byte)]) << byte;
}

}  // namespace
}  // namespace velmora

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
