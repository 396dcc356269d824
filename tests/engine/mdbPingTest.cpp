#include <gtest/gtest.h>

#include "engine/mdbPing.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

class EngineTest : public testing::Test {
protected:
    FakeNetworkServices net;
    FakeUiServices ui;
    mdbPing engine{net, ui};
    ReplyRecord record;
    IP_OPTION_INFORMATION options;

    std::int32_t PingOnce(const std::string& target, std::int16_t size = 32) {
        return engine.Ping(5, target, record, options, 9, size, 750);
    }
};

TEST_F(EngineTest, PingSendsTheRequestAsGivenAndReturnsTheTimeOrTheNegatedStatus) {
    options.Ttl = 30;
    net.answer = [](const EchoRequest& r) { return EchoSuccess(r, 42, 57); };
    EXPECT_EQ(PingOnce("10.0.0.2", 120), 42);
    const EchoRequest& sent = net.echoes.at(0);
    EXPECT_EQ(sent.handle, IcmpHandle(5));
    EXPECT_EQ(sent.destination, AddressFromOctets(10, 0, 0, 2));
    EXPECT_EQ(sent.data, std::vector<std::uint8_t>(120, 9));
    EXPECT_EQ(sent.requestSize, 120);
    EXPECT_EQ(sent.ttl, 30);
    EXPECT_EQ(sent.replySize, 1528u);
    EXPECT_EQ(sent.timeoutMs, 750u);
    EXPECT_EQ(record.reply.Options.Ttl, 57);
    EXPECT_EQ(record.data[119], 9);

    EXPECT_EQ(PingOnce("127.0.0.1", 0), 42);
    EXPECT_EQ(net.echoes.at(1).requestSize, 0);
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_TTL_EXPIRED_TRANSIT, AddressFromOctets(10, 0, 0, 1)); };
    EXPECT_EQ(PingOnce("10.0.0.9"), -11013);
    EXPECT_EQ(record.reply.Address, AddressFromOctets(10, 0, 0, 1));
    EXPECT_EQ(PingOnce("255.255.255.255"), -1) << "all ones is refused without sending";
    EXPECT_EQ(net.echoes.size(), 3u);
}

// The texts of the statuses that the platform and the run can report.
TEST(StatusText, NamesEveryStatusTheRunCanMeet) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {-1, "Bad IP format"},               {0, "IP success"},
        {11001, "IP buf too_small"},         {11002, "IP dest net unreachable"},
        {11003, "IP dest host unreachable"}, {11004, "IP dest prot unreachable"},
        {11005, "IP dest port unreachable"}, {11009, "IP packet too_big"},
        {11010, "IP req timed out"},         {11012, "IP bad route"},
        {11013, "IP ttl expired transit"},   {11014, "IP ttl expired reassem"},
        {11015, "IP param_problem"},         {11016, "IP source quench"},
        {11024, "none resolved host name"},  {11050, "IP general failure"},
        {11049, "Unknown  msg returned"},    {-11010, "Unknown  msg returned"},
    };
    for (const auto& [status, text] : rows) EXPECT_EQ(mdbPing::GetStatusText(status), text) << status;
}

// Only a start-up that failed leaves nothing for the clean-up to release.
TEST(EngineStartup, AcceptsVersionOneOneAndAboveAndOtherwiseSaysWhy) {
    const struct {
        std::uint16_t version;
        std::int16_t sockets;
        int result;
        const char* prompt;  // nullptr: accepted
        int style;
        const char* cleanup;  // nullptr: a silent clean-up
    } rows[] = {
        {0x0101, 1, 0, nullptr, 0, nullptr},
        {0x0002, 1, 0, nullptr, 0, nullptr},
        {0x0001, 32767, 0,
         "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments.",
         vbExclamation, nullptr},
        {0x0101, 0, 0, "This application requires a minimum of 1 supported sockets.", vbExclamation, nullptr},
        {0x0101, 32767, 10091, "Windows Sockets for 32 bit Windows environments is not successfully responding.",
         vbOKOnly, "Windows Sockets error -1 occurred in Cleanup."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        FakeNetworkServices net;
        FakeUiServices ui;
        const mdbPing engine{net, ui};
        net.grantedVersion = row.version;
        net.maxSockets = row.sockets;
        net.startupResult = row.result;
        EXPECT_EQ(engine.SocketsStartup(), row.prompt == nullptr);
        EXPECT_EQ(engine.SocketsCleanup(), row.cleanup == nullptr);
        std::vector<std::pair<std::string, int>> boxes;
        for (const ShownBox& box : ui.boxes) boxes.emplace_back(box.prompt, box.style);
        std::vector<std::pair<std::string, int>> expected;
        if (row.prompt) expected.emplace_back(row.prompt, row.style);
        if (row.cleanup) expected.emplace_back(row.cleanup, vbExclamation);
        EXPECT_EQ(boxes, expected);
    }
}

}  // namespace
}  // namespace velmora::test
