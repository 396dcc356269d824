#include <gtest/gtest.h>

#include "engine/mdbPing.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora {
namespace {

using test::EchoFailure;
using test::EchoRequest;
using test::EchoSuccess;

class EngineTest : public testing::Test {
protected:
    test::FakeNetworkServices net;
    test::FakeUiServices ui;
    mdbPing engine{net, ui};
    ReplyRecord record;
    IP_OPTION_INFORMATION options;
    static constexpr IcmpHandle kHandle = 5;

    std::int32_t PingOnce(const std::string& target, std::uint8_t byte = 7, std::int16_t size = 32,
                          std::int32_t timeout = 500) {
        return engine.Ping(kHandle, target, record, options, byte, size, timeout);
    }
};

TEST_F(EngineTest, SuccessReturnsRoundTripTimeAndSendsTheRequestAsGiven) {
    options.Ttl = 30;
    net.answer = [](const EchoRequest& r) { return EchoSuccess(r, 42, 57); };
    EXPECT_EQ(PingOnce("10.0.0.2", 9, 120, 750), 42);

    ASSERT_EQ(net.echoes.size(), 1u);
    const EchoRequest& sent = net.echoes[0];
    EXPECT_EQ(sent.handle, kHandle);
    EXPECT_EQ(sent.destination, AddressFromOctets(10, 0, 0, 2));
    EXPECT_EQ(sent.requestSize, 120);
    EXPECT_EQ(sent.data, std::vector<std::uint8_t>(120, 9));
    EXPECT_EQ(sent.ttl, 30);
    EXPECT_EQ(sent.replySize, 1528u);
    EXPECT_EQ(sent.timeoutMs, 750u);
    EXPECT_EQ(record.reply.Status, 0u);
    EXPECT_EQ(record.reply.Options.Ttl, 57);
    EXPECT_EQ(record.data[119], 9);
}

TEST_F(EngineTest, FailureReturnsTheNegatedStatus) {
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); };
    EXPECT_EQ(PingOnce("10.0.0.2"), -11010);
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_TTL_EXPIRED_TRANSIT, AddressFromOctets(10, 0, 0, 1)); };
    EXPECT_EQ(PingOnce("10.0.0.9"), -11013);
    EXPECT_EQ(record.reply.Address, AddressFromOctets(10, 0, 0, 1));
}

TEST_F(EngineTest, ZeroDataSizeSendsAnEmptyPayload) {
    EXPECT_EQ(PingOnce("127.0.0.1", 5, 0), 1);
    EXPECT_EQ(net.echoes.at(0).requestSize, 0);
    EXPECT_EQ(record.reply.DataSize, 0);
}

TEST_F(EngineTest, AllOnesAddressIsRefusedWithoutSending) {
    record.reply.Status = 1234;
    EXPECT_EQ(PingOnce("255.255.255.255"), -1);
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_EQ(record.reply.Status, 1234u);
}

TEST(StatusText, TableByExactValue) {
    const std::pair<std::int32_t, const char*> table[] = {
        {-1, "Bad IP format"},                 {0, "IP success"},
        {3000, "ping timeout"},                {11001, "IP buf too_small"},
        {11002, "IP dest net unreachable"},    {11003, "IP dest host unreachable"},
        {11004, "IP dest prot unreachable"},   {11005, "IP dest port unreachable"},
        {11006, "IP no resources"},            {11007, "IP bad option"},
        {11008, "IP hw_error"},                {11009, "IP packet too_big"},
        {11010, "IP req timed out"},           {11011, "IP bad req"},
        {11012, "IP bad route"},               {11013, "IP ttl expired transit"},
        {11014, "IP ttl expired reassem"},     {11015, "IP param_problem"},
        {11016, "IP source quench"},           {11017, "IP option too_big"},
        {11018, "IP bad destination"},         {11019, "IP addr deleted"},
        {11020, "IP spec mtu change"},         {11021, "IP mtu_change"},
        {11022, "IP unload"},                  {11023, "IP addr added"},
        {11024, "none resolved host name"},    {11050, "IP general failure"},
        {11255, "IP pending"},                 {11049, "Unknown  msg returned"},
        {-11010, "Unknown  msg returned"},     {1, "Unknown  msg returned"},
        {11000, "Unknown  msg returned"},
    };
    for (const auto& [status, text] : table) EXPECT_EQ(mdbPing::GetStatusText(status), text) << status;
}

TEST_F(EngineTest, StartupAcceptsVersionOneOneAndAbove) {
    for (const std::uint16_t version : {0x0101, 0x0202, 0x0002}) {
        net.grantedVersion = version;
        EXPECT_TRUE(engine.SocketsStartup()) << version;
    }
    EXPECT_TRUE(ui.boxes.empty());
}

// Only a start-up that failed leaves nothing for the clean-up to release.
TEST(EngineStartup, RefusalsSayWhyAndOnlyAFailedStartUpMakesTheCleanUpComplain) {
    const struct {
        const char* name;
        std::uint16_t version;
        std::int16_t sockets;
        int result;
        const char* prompt;
        int style;
        const char* cleanup;  // nullptr: a silent clean-up
    } cases[] = {
        {"version 1.0", 0x0001, 32767, 0,
         "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments.",
         vbExclamation, nullptr},
        {"no sockets", 0x0101, 0, 0, "This application requires a minimum of 1 supported sockets.", vbExclamation,
         nullptr},
        {"failed", 0x0101, 32767, 10091,
         "Windows Sockets for 32 bit Windows environments is not successfully responding.", vbOKOnly,
         "Windows Sockets error -1 occurred in Cleanup."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeNetworkServices net;
        test::FakeUiServices ui;
        const mdbPing engine{net, ui};
        net.grantedVersion = c.version;
        net.maxSockets = c.sockets;
        net.startupResult = c.result;
        EXPECT_FALSE(engine.SocketsStartup());
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].prompt, c.prompt);
        EXPECT_EQ(ui.boxes[0].style, c.style);
        EXPECT_EQ(ui.boxes[0].title, "");
        EXPECT_EQ(engine.SocketsCleanup(), c.cleanup == nullptr);
        ASSERT_EQ(ui.boxes.size(), c.cleanup ? 2u : 1u);
        if (c.cleanup) {
            EXPECT_EQ(ui.boxes[1].prompt, c.cleanup);
            EXPECT_EQ(ui.boxes[1].style, vbExclamation);
        }
    }
}

TEST_F(EngineTest, NameLookupGivesTheFirstAddressOrEmptyText) {
    net.hosts["gateway"] = AddressFromOctets(10, 0, 0, 138);
    EXPECT_EQ(engine.GetIpFromHostName("gateway"), "10.0.0.138");
    EXPECT_EQ(engine.GetIpFromHostName("no.such.host"), "");
    EXPECT_EQ(net.lookups, (std::vector<std::string>{"gateway", "no.such.host"}));
    EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace velmora
