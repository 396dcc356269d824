// IPv6 address texts and look-ups of LinuxNetworkServices, which answer
// without sending anything: literals only, so no resolver is asked.

#include <gtest/gtest.h>

#include "platform/LinuxNetworkServices.h"

namespace velmora::test {
namespace {

TEST(Ipv6Text, LiteralsReadBackCompressedWithTheirZoneAndMalformedOnesAreRefused) {
    LinuxNetworkServices net;
    const struct {
        const char* name;
        const char* text;
        const char* readBack;  // nullptr: refused
    } rows[] = {
        {"Compressed", "2001:db8::5", "2001:db8::5"},
        {"Expanded", "2001:0db8:0000:0000:0000:0000:0000:0005", "2001:db8::5"},
        {"Loopback", "::1", "::1"},
        {"ZoneByName", "fe80::1%lo", "fe80::1%lo"},
        {"ZoneByNumber", "fe80::1%1", "fe80::1%lo"},
        {"MappedIpv4", "::ffff:192.0.2.1", "::ffff:192.0.2.1"},
        {"BadDigit", "2001:db8::zz", nullptr},
        {"TwoGaps", "2001::db8::5", nullptr},
        {"NineGroups", "1:2:3:4:5:6:7:8:9", nullptr},
        {"Ipv4", "192.0.2.1", nullptr},
        {"UnknownZone", "fe80::1%no-such-link", nullptr},
        {"Empty", "", nullptr},
    };
    for (const auto& row : rows) {
        const auto address = net.RtlIpv6StringToAddressEx(row.text);
        ASSERT_EQ(address.has_value(), row.readBack != nullptr) << row.name;
        if (address) {
            EXPECT_EQ(net.RtlIpv6AddressToStringEx(*address), row.readBack) << row.name;
        }
        EXPECT_EQ(net.gethostbyname6(row.text).has_value(), address.has_value()) << row.name << ": a literal looks up as itself";
    }
    const auto scoped = net.RtlIpv6StringToAddressEx("fe80::1%lo");
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->sin6_scope_id, 1U) << "the loopback's interface index";
    EXPECT_EQ(scoped->sin6_addr[0], 0xFE);
    EXPECT_EQ(scoped->sin6_addr[15], 0x01);
}

// A handle answers only echoes of its own family.
TEST(Ipv6EchoWithoutSocket, AnUnknownOrIpv4HandleFailsWithGeneralFailure) {
    LinuxNetworkServices net;
    const auto loopback = net.RtlIpv6StringToAddressEx("::1");
    ASSERT_TRUE(loopback);
    IP_OPTION_INFORMATION options;
    options.Ttl = 64;
    ReplyRecord6 record{};
    record.reply.RoundTripTime = 77;
    EXPECT_EQ(net.Icmp6SendEcho2(INVALID_HANDLE_VALUE, *loopback, nullptr, 0, &options, &record, kReplyBuffer6Size, 0),
              0U);
    EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
    const IcmpHandle ipv4 = net.IcmpCreateFile();
    if (ipv4 != INVALID_HANDLE_VALUE) {
        record.reply.Status = 0;
        EXPECT_EQ(net.Icmp6SendEcho2(ipv4, *loopback, nullptr, 0, &options, &record, kReplyBuffer6Size, 0), 0U);
        EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
        EXPECT_TRUE(net.IcmpCloseHandle(ipv4));
    }
}

}  // namespace
}  // namespace velmora::test
