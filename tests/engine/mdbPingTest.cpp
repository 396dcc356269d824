#include <gtest/gtest.h>

#include "engine/mdbPing.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

// Version 1.1 and above with a socket to spare starts; a failed start-up
// leaves nothing for the clean-up to release.
TEST(EngineStartup, AcceptsVersionOneOneAndAboveAndOtherwiseSaysWhy) {
    const struct {
        std::uint16_t version;
        std::int16_t sockets;
        const char* prompt;  // nullptr: accepted
    } rows[] = {
        {0x0101, 1, nullptr},
        {0x0002, 1, nullptr},
        {0x0001, 32767,
         "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments."},
        {0x0101, 0, "This application requires a minimum of 1 supported sockets."},
    };
    for (const auto& row : rows) {
        FakeNetworkServices net;
        FakeUiServices ui;
        const mdbPing engine{net, ui};
        net.grantedVersion = row.version;
        net.maxSockets = row.sockets;
        EXPECT_EQ(engine.SocketsStartup(), row.prompt == nullptr) << row.version;
        EXPECT_TRUE(engine.SocketsCleanup());
        EXPECT_EQ(ui.boxes.size(), row.prompt ? 1u : 0u) << row.version;
        for (const ShownBox& box : ui.boxes) {
            EXPECT_EQ(box.prompt, row.prompt);
            EXPECT_EQ(box.style, vbExclamation);
        }
    }
}

TEST(AddressToLong, ReadsDottedTextIntoNetworkOrderOrZero) {
    const struct {
        const char* name;
        const char* text;
        std::int32_t value;
    } rows[] = {
        {"private address", "192.168.0.1", 16820416},
        {"all ones is minus one", "255.255.255.255", -1},
        {"empty", "", 0},
        {"three parts", "10.0.1", 0},
        {"five parts", "1.2.3.4.5", 0},
        {"part not a number", "1.x.3.4", 0},
        {"empty part is zero", "10..0.1", 16777226},
        {"value modulo 256", "300.0.0.1", std::int32_t(0x0100002Cu)},
        {"huge part does not overflow", "99999999999999999999999.0.0.1", std::int32_t(0x010000FFu)},
        {"leading zeros", "010.000.000.001", 16777226},
    };
    for (const auto& row : rows) EXPECT_EQ(mdbPing::AddressToLong(row.text), row.value) << row.name;
}

TEST(LongToAddress, WritesOctetsFromTheLowestByte) {
    EXPECT_EQ(mdbPing::LongToAddress(16820416), "192.168.0.1");
    EXPECT_EQ(mdbPing::LongToAddress(-1), "255.255.255.255");
    EXPECT_EQ(mdbPing::LongToAddress(0), "invalid");
    EXPECT_EQ(mdbPing::LongToAddress(std::int32_t(0x80000001u)), "1.0.0.128");
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

// Every name that has an IPv4 address reads as before; IPv6 only when there is none.
TEST(HostNameLookUp, PrefersIpv4ThenTheFirstIpv6AddressElseNothing) {
    const struct {
        const char* name;
        std::optional<std::uint32_t> ipv4;
        std::optional<std::string> ipv6;
        std::string address;
    } rows[] = {
        {"BothFamilies", AddressFromOctets(192, 0, 2, 7), "2001:db8::7", "192.0.2.7"},
        {"Ipv4Only", AddressFromOctets(192, 0, 2, 7), std::nullopt, "192.0.2.7"},
        {"Ipv6Only", std::nullopt, "2001:db8::5", "2001:db8::5"},
        {"ZonedLiteral", std::nullopt, "fe80::1%eth0", "fe80::1%eth0"},
        {"Neither", std::nullopt, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        FakeNetworkServices net;
        FakeUiServices ui;
        if (row.ipv4) net.hosts["host.test"] = *row.ipv4;
        if (row.ipv6) net.hosts6["host.test"] = *row.ipv6;
        EXPECT_EQ(mdbPing(net, ui).GetIpFromHostName("host.test"), row.address) << row.name;
    }
}

// The hop limit goes out as the TTL and comes back as it; the replier as text.
TEST(Ping6, SendsTheHopLimitAndPayloadAndReadsTheAnswerIntoTheRecord) {
    FakeNetworkServices net;
    FakeUiServices ui;
    const mdbPing engine(net, ui);
    net.answer6 = [](const Echo6Request& r) { return Echo6Success(r, 9, 61); };
    IP_OPTION_INFORMATION options;
    options.Ttl = 3;
    ReplyRecord record{};
    std::string replier;
    EXPECT_EQ(engine.Ping6(42, "2001:db8::5", record, replier, options, 0x33, 4, 500), 9);
    ASSERT_EQ(net.echoes6.size(), 1u);
    EXPECT_EQ(net.echoes6[0].destination, "2001:db8::5");
    EXPECT_EQ(net.echoes6[0].hopLimit, 3);
    EXPECT_EQ(net.echoes6[0].data, std::vector<std::uint8_t>(4, 0x33));
    EXPECT_EQ(net.echoes6[0].timeoutMs, 500u);
    EXPECT_EQ(replier, "2001:db8::5");
    EXPECT_EQ(record.reply.Options.Ttl, 61);
    EXPECT_EQ(record.reply.DataSize, 4);
    EXPECT_EQ(record.data[3], 0x33);
    EXPECT_EQ(record.reply.Address, 0u) << "the IPv4 field stays as it was";

    net.answer6 = [](const Echo6Request&) { return Echo6Failure(IP_REQ_TIMED_OUT); };
    EXPECT_EQ(engine.Ping6(42, "2001:db8::5", record, replier, options, 0x33, 4, 500), -IP_REQ_TIMED_OUT);
    EXPECT_EQ(replier, "") << "a timeout names nobody";
    EXPECT_EQ(engine.Ping6(42, "not an address", record, replier, options, 0x33, 4, 500), -1);
    EXPECT_EQ(net.echoes6.size(), 2u) << "nothing sent to a text that does not convert";
}

}  // namespace
}  // namespace velmora::test
