// Whole runs of the main window's run logic over the real network services,
// inside the lab's namespaces: two passes over three addresses, one of them
// answered by our responder with altered data; and a /24 swept in both modes.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <thread>

#include "main_window/PingRun.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/netns/LabSuite.h"
#include "tests/support/FakeRunView.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

using RunInNamespaces = LabSuite<>;

// Lines as the run writes them; round trips vary with the machine's load.
void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& patterns) {
    ASSERT_EQ(lines.size(), patterns.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i]))) << "line " << i << ": " << lines[i];
    }
}

TEST_F(RunInNamespaces, TwoPassRangeRunWritesEveryLineTheRealWay) {
    const Responder altering(*lab_, Node::Quiet, {"--alter"});
    FakeRunView view;
    view.SetRange("10.77.1.2", "10.77.3.2");  // the walk: client 1.2, target 2.2, quiet 3.2
    view.parameters[Control::Num] = "2";
    view.parameters[Control::DataSize] = "32";
    FakeUiServices ui;
    std::string capture;

    lab_->RunIn(Node::Client, [&] {
        LinuxNetworkServices net;
        PingRun run(view, net, ui);
        run.StartPinging();
        ASSERT_TRUE(view.running);
        ASSERT_TRUE(ui.timers.at(0)->Fire()) << "the second pass never came";
        EXPECT_FALSE(view.running);
    });

    const std::string ok = R"(IP success from )";
    const std::string rtt = R"(    RoundTripTime=\d+ms)";
    const std::vector<std::string> pass = {
        ok + R"(10\.77\.1\.2)" + rtt + R"(    DataSize=32 bytes    TTL=64)",
        ok + R"(10\.77\.2\.2)" + rtt + R"(    DataSize=32 bytes    TTL=63)",
        ok + R"(10\.77\.3\.2)" + rtt + R"(    DataCorrupted    TTL=63)",
    };
    std::vector<std::string> expected;
    for (const char* number : {"    #1", "    #2"}) {
        for (const auto& line : pass) expected.push_back(line + number);
    }
    expected.insert(expected.end(), {"",
                                     R"(Ping Statistics from 10\.77\.3\.2:)",
                                     R"(   Packets:   Sent = 6,   Received = 6,   Lost = 0)",
                                     R"(   RoundTripTimes:   Maximum = \d+,  Minimum = \d+,  Average = \d+)",
                                     ""});
    ExpectLines(view.Lines(), expected);
    EXPECT_TRUE(ui.boxes.empty());
}

// The fake toolkit with answers posted from the network's own thread kept
// until the test's thread, standing in for the event loop, runs them.
class PostingUi : public FakeUiServices {
public:
    void RunOnUiThread(std::function<void()> done) override {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(done));
        }
        wake_.notify_one();
    }

    // Runs what was posted, waiting up to a millisecond for something.
    void RunPosted() {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return !posted_.empty(); });
        while (!posted_.empty()) {
            auto done = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            done();
            lock.lock();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
};

// The target's /24: the router (.1) and the target (.2 and, through a local
// route, .16 up) answer; .3 and .6 to .15 are dropped without a word; .4 and
// .5 are refused as unreachable. The router sends such errors at most one a
// second after a burst of five (net.ipv4.route.error_cost, a host-wide
// setting we leave alone), so a sweep refuses only two and waits for the
// budget first.
class MixedSubnet {
public:
    explicit MixedSubnet(const NamespaceLab& lab)
        : router_("ip -n " + lab.Name(Node::Router)), target_("ip -n " + lab.Name(Node::Target)) {
        for (const char* net : kSilent) Run(router_ + " route add blackhole " + net);
        Run(router_ + " route add unreachable " + std::string(kUnreachable));
        for (const char* net : kLive) Run(target_ + " route add local " + net + " dev lo");
    }
    ~MixedSubnet() {
        for (const char* net : kSilent) Try(router_ + " route del blackhole " + net);
        Try(router_ + " route del unreachable " + std::string(kUnreachable));
        for (const char* net : kLive) Try(target_ + " route del local " + net + " dev lo");
    }
    MixedSubnet(const MixedSubnet&) = delete;
    MixedSubnet& operator=(const MixedSubnet&) = delete;

    static void WaitForTheErrorBudget() { std::this_thread::sleep_for(std::chrono::seconds(2)); }

private:
    static bool Try(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }
    static void Run(const std::string& command) {
        if (!Try(command)) throw std::runtime_error("failed: " + command);
    }

    static constexpr const char* kSilent[] = {"10.77.2.3/32", "10.77.2.6/31", "10.77.2.8/29"};
    static constexpr const char* kUnreachable = "10.77.2.4/31";
    static constexpr const char* kLive[] = {"10.77.2.16/28", "10.77.2.32/27", "10.77.2.64/26", "10.77.2.128/25"};
    const std::string router_;
    const std::string target_;
};

// One pass over 10.77.2.1 to 10.77.2.254: the capture file's lines (the pane
// keeps only the latest), the round trips blanked.
std::vector<std::string> SweepLines(const NamespaceLab& lab, bool parallel) {
    FakeRunView view;
    view.SetRange("10.77.2.1", "10.77.2.254");
    view.parameters[Control::Timeout] = "200";
    view.parameters[Control::DataSize] = "32";
    PostingUi ui;
    ui.dialogAnswers.push_back(std::string("/sweep.log"));
    MixedSubnet::WaitForTheErrorBudget();
    lab.RunIn(Node::Client, [&] {
        LinuxNetworkServices net;
        PingRun run(view, net, ui);
        run.OpenCaptureFile();
        run.SetParallel(parallel);
        run.StartPinging();
        while (view.running) {
            ui.timers.at(1)->Fire();
            ui.RunPosted();
        }
    });
    view.log = std::regex_replace(ui.files.at("/sweep.log"), std::regex("RoundTripTime=\\d+ms"), "RoundTripTime=");
    return view.Lines();
}

TEST_F(RunInNamespaces, ASubnetSweptInParallelGivesTheSequentialLines) {
    const MixedSubnet subnet(*lab_);
    const std::vector<std::string> sequential = SweepLines(*lab_, false);
    const std::vector<std::string> parallel = SweepLines(*lab_, true);
    ASSERT_EQ(sequential.size(), 254u);
    EXPECT_EQ(sequential[1], "IP success from 10.77.2.2    RoundTripTime=    DataSize=32 bytes    TTL=63");
    EXPECT_EQ(sequential[3], "IP dest host unreachable from 10.77.1.1");
    EXPECT_EQ(sequential[14], "IP req timed out from 10.77.2.15");
    EXPECT_EQ(sequential[253], "IP success from 10.77.2.254    RoundTripTime=    DataSize=32 bytes    TTL=63");
    EXPECT_EQ(parallel, sequential);
}

}  // namespace
}  // namespace velmora::test
