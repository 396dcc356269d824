// A host-name pass over IPv6, through the fakes: the lines, the summary and
// the handles as for IPv4, the address in its compressed text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window/PingRun.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeRunView.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

class Ipv6RunTest : public testing::Test {
protected:
    Ipv6RunTest() {
        view.targetMode = 1;
        view.hostName = "six.test";
        view.parameters[Control::TTL] = "9";
        net.hosts6["six.test"] = "2001:db8::5";
    }

    void RunToEnd() {
        while (view.running) ASSERT_TRUE(ui.timers.at(0)->Fire()) << "the run waits for a tick that never comes";
    }

    FakeRunView view;
    FakeNetworkServices net;
    FakeUiServices ui;
    EchoStore echoes;
    std::unique_ptr<PingRun> run = std::make_unique<PingRun>(view, net, ui, echoes);
};

TEST_F(Ipv6RunTest, EachEchoOutcomeWritesTheLineOfIpv4WithTheIpv6Address) {
    const struct {
        const char* name;
        Echo6Answer (*answer)(const Echo6Request&);
        std::string line;
    } rows[] = {
        {"Success", [](const Echo6Request& r) { return Echo6Success(r, 7, 57); },
         "IP success from 2001:db8::5    RoundTripTime=7ms    DataSize=120 bytes    TTL=57"},
        {"ShortEchoIsCorrupted",
         [](const Echo6Request& r) {
             Echo6Answer a = Echo6Success(r, 7, 57);
             a.data.pop_back();
             return a;
         },
         "IP success from 2001:db8::5    RoundTripTime=7ms    DataCorrupted    TTL=57"},
        {"HopLimitExpiredNamesTheRouter",
         [](const Echo6Request&) { return Echo6Failure(IP_TTL_EXPIRED_TRANSIT, "2001:db8::1"); },
         "IP ttl expired transit from 2001:db8::1"},
        {"TimeoutNamesTheTarget", [](const Echo6Request&) { return Echo6Failure(IP_REQ_TIMED_OUT); },
         "IP req timed out from 2001:db8::5"},
    };
    for (const auto& row : rows) {
        net.answer6 = row.answer;
        view.log.clear();
        run->StartPinging();
        EXPECT_EQ(view.Lines(), std::vector<std::string>{row.line}) << row.name;
    }
    run->SetParallel(true);
    view.log.clear();
    run->StartPinging();
    EXPECT_EQ(view.Lines(), std::vector<std::string>{rows[3].line}) << "parallel mode pings it as sequential mode";
    ASSERT_EQ(net.echoes6.size(), 5u);
    EXPECT_EQ(net.echoes6[0].destination, "2001:db8::5");
    EXPECT_EQ(net.echoes6[0].hopLimit, 9) << "the TTL field sets the hop limit";
    EXPECT_TRUE(net.echoes.empty()) << "nothing went over IPv4";
    EXPECT_EQ(net.opened6.size(), 5u);
    EXPECT_TRUE(net.open.empty()) << "every handle closed";
}

// Two passes, a summary from the IPv6 address; a zoned literal is pinged as
// typed; a name with no address of either family, or a malformed literal,
// gives the look-up failure.
TEST_F(Ipv6RunTest, PassesSummaryZonedLiteralsAndNamesWithoutAddress) {
    view.parameters[Control::Num] = "2";
    net.answer6 = [rtts = std::vector<std::uint32_t>{3, 5}, n = 0](const Echo6Request& r) mutable {
        return Echo6Success(r, rtts.at(std::size_t(n++)), 64);
    };
    run->StartPinging();
    RunToEnd();
    EXPECT_EQ(view.log,
              "IP success from 2001:db8::5    RoundTripTime=3ms    DataSize=120 bytes    TTL=64    #1\r\n"
              "IP success from 2001:db8::5    RoundTripTime=5ms    DataSize=120 bytes    TTL=64    #2\r\n"
              "\r\n"
              "Ping Statistics from 2001:db8::5:\r\n"
              "   Packets:   Sent = 2,   Received = 2,   Lost = 0\r\n"
              "   RoundTripTimes:   Maximum = 5,  Minimum = 3,  Average = 4\r\n"
              "\r\n");

    view.parameters[Control::Num] = "1";
    net.answer6 = [](const Echo6Request& r) { return Echo6Success(r, 1, 64); };
    net.hosts6["fe80::1%eth0"] = "fe80::1%eth0";
    const struct {
        const char* host;
        std::string line;
    } rows[] = {
        {"fe80::1%eth0", "IP success from fe80::1%eth0    RoundTripTime=1ms    DataSize=120 bytes    TTL=64"},
        {"2001:db8::zz", "none resolved host name from "},
        {"nowhere.test", "none resolved host name from "},
    };
    for (const auto& row : rows) {
        view.hostName = row.host;
        view.log.clear();
        run->StartPinging();
        EXPECT_EQ(view.Lines(), std::vector<std::string>{row.line}) << row.host;
    }
}

}  // namespace
}  // namespace velmora::test
