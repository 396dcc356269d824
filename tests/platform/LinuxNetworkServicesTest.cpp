// The parts of LinuxNetworkServices that answer without sending anything.

#include "platform/LinuxNetworkServices.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

TEST(SocketsLibrary, StartUpGrantsAtMostVersionTwoTwoAndEachCleanUpEndsOneStart) {
    LinuxNetworkServices net;
    WSADATA data;
    EXPECT_EQ(net.WSACleanup(), -1);
    EXPECT_EQ(net.WSAStartup(0x0101, data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0202);
    EXPECT_GE(data.iMaxSockets, 1);
    EXPECT_EQ(net.WSAStartup(0x0303, data), 0);
    EXPECT_EQ(data.wVersion, 0x0202);
    EXPECT_EQ(net.WSAStartup(0x0102, data), 0);  // 2.1 is below 2.2
    EXPECT_EQ(data.wVersion, 0x0102);
    for (int started = 0; started < 3; ++started) EXPECT_EQ(net.WSACleanup(), 0);
    EXPECT_EQ(net.WSACleanup(), -1);
}

TEST(Addresses, DottedDecimalFromTheLowestByteAndLocalhostIsTheLoopback) {
    LinuxNetworkServices net;
    EXPECT_EQ(net.inet_ntoa(AddressFromOctets(10, 0, 0, 255)), "10.0.0.255");
    EXPECT_EQ(net.inet_ntoa(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(net.gethostbyname("localhost"), AddressFromOctets(127, 0, 0, 1));
}

// A buffer smaller than the record is left alone: there is nowhere to put even a status.
TEST(EchoWithoutSocket, FailsWithGeneralFailureAndKeepsTheRest) {
    LinuxNetworkServices net;
    ReplyRecord record{};
    record.reply.Address = 0x01020304;
    record.reply.RoundTripTime = 77;
    const std::uint32_t loopback = AddressFromOctets(127, 0, 0, 1);
    const std::uint32_t tooSmall = sizeof(ICMP_ECHO_REPLY) - 1;
    EXPECT_EQ(net.IcmpSendEcho(INVALID_HANDLE_VALUE, loopback, nullptr, 0, nullptr, &record, tooSmall, 0), 0U);
    EXPECT_EQ(record.reply.Status, 0U);
    EXPECT_EQ(net.IcmpSendEcho(INVALID_HANDLE_VALUE, loopback, nullptr, 0, nullptr, &record, kReplyBufferSize, 0), 0U);
    EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
    EXPECT_EQ(record.reply.Address, 0x01020304U);
    EXPECT_EQ(record.reply.RoundTripTime, 77U);
    EXPECT_FALSE(net.IcmpCloseHandle(INVALID_HANDLE_VALUE));
}

}  // namespace
}  // namespace velmora::test
