// A whole run of the main window's run logic over the real network services,
// inside the lab's namespaces: two passes over three addresses, one of them
// answered by our responder with altered data.

#include <gtest/gtest.h>

#include <memory>
#include <regex>

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

}  // namespace
}  // namespace velmora::test
