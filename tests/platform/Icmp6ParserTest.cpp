// What a received ICMPv6 message is to the IPv6 echo we wait for, over
// messages written out byte by byte here so the tests do not lean on the code
// under test.
#include "platform/Icmp6Parser.h"

#include <gtest/gtest.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>

#include <vector>

#include "platform/NetworkServices.h"
#include "tests/support/IcmpBytes.h"

namespace velmora::test {
namespace {

using icmp6::Address;
using icmp6::Classify;
using icmp6::SocketKind;
using icmp6::Verdict;

// 2001:db8::10, 2001:db8:5::7 and 2001:db8::1.
constexpr Address kUs{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
constexpr Address kTarget{0x20, 0x01, 0x0d, 0xb8, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
constexpr Address kRouter{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
constexpr std::uint16_t kId = 0xBEEF;
constexpr std::uint16_t kSeq = 0x0102;
const icmp6::EchoRequest kRequest{kId, kSeq, kTarget};
const Bytes kPayload{7, 7, 7, 7, 7};
constexpr Verdict kReply = Verdict::EchoReply, kError = Verdict::Error, kNotOurs = Verdict::NotOurs;

// The checksum is the kernel's: it stays 0 here.
Bytes Icmp6(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Bytes& body) {
    return IcmpMessage(type, code, id, seq, body, false);
}

// An IPv6 datagram as an error quotes it, with a fragment header when `fragmentOffset` is set.
Bytes Ip6(const Address& to, const Bytes& payload, std::optional<std::uint16_t> fragmentOffset = std::nullopt,
          std::uint8_t nextHeader = 58) {
    Bytes packet(40, 0);
    packet[0] = 0x60;
    packet[6] = fragmentOffset ? 44 : nextHeader;
    packet[7] = 64;
    std::copy(kUs.begin(), kUs.end(), packet.begin() + 8);
    std::copy(to.begin(), to.end(), packet.begin() + 24);
    if (fragmentOffset) {
        const std::uint16_t field = std::uint16_t(*fragmentOffset << 3 | 1);
        const Bytes fragment{nextHeader, 0, std::uint8_t(field >> 8), std::uint8_t(field), 0, 0, 0, 9};
        packet.insert(packet.end(), fragment.begin(), fragment.end());
    }
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

Bytes OurRequest(std::uint16_t id = kId, std::uint16_t seq = kSeq, const Address& to = kTarget,
                 std::optional<std::uint16_t> fragmentOffset = std::nullopt, std::uint8_t type = 128) {
    return Ip6(to, Icmp6(type, 0, id, seq, kPayload), fragmentOffset);
}
Bytes Reply(std::uint16_t id = kId, std::uint16_t seq = kSeq) { return Icmp6(129, 0, id, seq, kPayload); }
Bytes Error(std::uint8_t type, std::uint8_t code, const Bytes& quote) { return Icmp6(type, code, 0, 0, quote); }

// Each ICMPv6 error type and code, quoting our request, through a raw
// socket's message and through a ping socket's queued error.
TEST(Icmp6ErrorStatus, OfAnErrorQuotingOurRequest) {
    const struct {
        const char* name;
        std::uint8_t type, code;
        std::optional<std::int32_t> status;  // none: not an answer to an echo
    } rows[] = {
        {"NoRoute", 1, 0, IP_DEST_NET_UNREACHABLE},
        {"AdministrativelyProhibited", 1, 1, IP_DEST_HOST_UNREACHABLE},
        {"BeyondScopeOfSource", 1, 2, IP_DEST_HOST_UNREACHABLE},
        {"AddressUnreachable", 1, 3, IP_DEST_HOST_UNREACHABLE},
        {"PortUnreachable", 1, 4, IP_DEST_PORT_UNREACHABLE},
        {"SourcePolicyFailed", 1, 5, IP_DEST_HOST_UNREACHABLE},
        {"RejectRoute", 1, 6, IP_DEST_HOST_UNREACHABLE},
        {"UnknownUnreachableCode", 1, 255, IP_DEST_HOST_UNREACHABLE},
        {"PacketTooBig", 2, 0, IP_PACKET_TOO_BIG},
        {"HopLimitExceeded", 3, 0, IP_TTL_EXPIRED_TRANSIT},
        {"ReassemblyTimeExceeded", 3, 1, IP_TTL_EXPIRED_REASSEM},
        {"ErroneousHeaderField", 4, 0, IP_PARAM_PROBLEM},
        {"UnrecognizedNextHeader", 4, 1, IP_PARAM_PROBLEM},
        {"ARequestAnswersNothing", 128, 0, std::nullopt},
        {"NeighbourAdvertisementAnswersNothing", 136, 0, std::nullopt},
        {"UnassignedErrorTypeAnswersNothing", 5, 0, std::nullopt},
    };
    for (const auto& row : rows) {
        const auto found = Classify(Error(row.type, row.code, OurRequest()), SocketKind::Raw, kRequest, kRouter);
        EXPECT_EQ(found.verdict, row.status ? kError : kNotOurs) << row.name;
        EXPECT_EQ(found.status, row.status.value_or(0)) << row.name;
        EXPECT_EQ(icmp6::StatusFromExtendedError(SO_EE_ORIGIN_ICMP6, row.type, row.code), row.status) << row.name;
    }
    EXPECT_EQ(icmp6::StatusFromExtendedError(SO_EE_ORIGIN_ICMP, 3, 0), std::nullopt) << "IPv4's codes mean others";
    EXPECT_EQ(icmp6::StatusFromExtendedError(SO_EE_ORIGIN_LOCAL, 2, 0), std::nullopt) << "not the network's";
}

TEST(Icmp6RawMessage, Verdict) {
    const struct {
        const char* name;
        Bytes message;
        Address source;
        Verdict verdict;
        std::int32_t status = 0;  // an error's
    } rows[] = {
        {"OurReply", Reply(), kTarget, kReply},
        {"ReplyFromAnotherHost", Reply(), kRouter, kNotOurs},
        {"ReplyWithOtherIdentifier", Reply(kId + 1), kTarget, kNotOurs},
        {"ReplyWithOtherSequence", Reply(kId, kSeq + 1), kTarget, kNotOurs},
        {"OwnRequestSeenOnLoopback", Icmp6(128, 0, kId, kSeq, kPayload), kTarget, kNotOurs},
        {"ErrorQuotingOtherIdentifier", Error(3, 0, OurRequest(kId + 1)), kRouter, kNotOurs},
        {"ErrorQuotingOtherSequence", Error(3, 0, OurRequest(kId, kSeq - 1)), kRouter, kNotOurs},
        {"ErrorQuotingOtherDestination", Error(3, 0, OurRequest(kId, kSeq, kRouter)), kRouter, kNotOurs},
        {"ErrorQuotingAReply", Error(3, 0, OurRequest(kId, kSeq, kTarget, {}, 129)), kRouter, kNotOurs},
        {"ErrorQuotingUdp", Error(1, 4, Ip6(kTarget, Icmp6(128, 0, kId, kSeq, {}), {}, 17)), kRouter, kNotOurs},
        {"ErrorQuotingIpVersion4", Error(3, 0, WithByte(OurRequest(), 0, 0x45)), kRouter, kNotOurs},
        {"ErrorQuotingOurFirstFragment", Error(3, 0, OurRequest(kId, kSeq, kTarget, 0)), kRouter, kError,
         IP_TTL_EXPIRED_TRANSIT},
        {"ErrorQuotingALaterFragment", Error(3, 0, OurRequest(kId, kSeq, kTarget, 181)), kRouter, kNotOurs},
        {"ErrorFromTheTargetItself", Error(1, 4, OurRequest()), kTarget, kError, IP_DEST_PORT_UNREACHABLE},
    };
    for (const auto& row : rows) {
        const auto found = Classify(row.message, SocketKind::Raw, kRequest, row.source);
        EXPECT_EQ(found.verdict, row.verdict) << row.name;
        EXPECT_EQ(found.status, row.status) << row.name;
        if (row.verdict != kReply) continue;
        EXPECT_EQ(found.dataOffset, 8U) << row.name;
        EXPECT_EQ(found.dataLength, kPayload.size()) << row.name;
    }
}

// Every cut short of what identifies our echo is refused without reading
// past its end (the sanitizers watch each exactly-sized copy): a reply's 8
// bytes; an error's 8, the quoted IPv6 header, the fragment header when there
// is one, and 8 bytes of the quoted request.
TEST(Icmp6Truncation, CutsShortOfTheHeadersAreRefused) {
    const struct {
        const char* name;
        Bytes whole;
        std::size_t needed;
        Address source;
        Verdict verdict;
    } rows[] = {
        {"Reply", Reply(), 8, kTarget, kReply},
        {"Error", Error(1, 3, OurRequest()), 56, kRouter, kError},
        {"ErrorQuotingAFragment", Error(3, 0, OurRequest(kId, kSeq, kTarget, 0)), 64, kRouter, kError},
    };
    for (const auto& row : rows) {
        for (std::size_t length = 0; length <= row.needed; ++length) {
            const auto found = Classify(Prefix(row.whole, length), SocketKind::Raw, kRequest, row.source);
            EXPECT_EQ(found.verdict, length == row.needed ? row.verdict : kNotOurs) << row.name << " " << length;
        }
    }
    for (std::size_t length = 0; length < 8; ++length) {
        EXPECT_EQ(Classify(Prefix(Reply(), length), SocketKind::Ping, kRequest, kTarget).verdict, kNotOurs) << length;
    }
}

// A ping socket hands over replies with the kernel's identifier; its errors
// come queued, quoting our request from its ICMPv6 header on.
TEST(Icmp6PingSocket, ReplyAndErrorQuoteMatchBySequenceAndSourceNotIdentifier) {
    const auto ping = [](const Bytes& message, const Address& from = kTarget) {
        return Classify(message, SocketKind::Ping, kRequest, from);
    };
    const Bytes reply = Reply(0x4242);
    ASSERT_EQ(ping(reply).verdict, kReply);
    EXPECT_EQ(ping(reply).dataOffset, 8U);
    EXPECT_EQ(ping(reply).dataLength, kPayload.size());
    EXPECT_EQ(ping(reply, kRouter).verdict, kNotOurs);
    EXPECT_EQ(ping(Reply(kId, kSeq + 1)).verdict, kNotOurs);
    EXPECT_EQ(ping(Icmp6(128, 0, kId, kSeq, kPayload)).verdict, kNotOurs);
    EXPECT_EQ(ping(Error(3, 0, OurRequest())).verdict, kNotOurs) << "errors come through the queue";

    const Bytes quote = Icmp6(128, 0, 0x4242, kSeq, kPayload);
    EXPECT_TRUE(icmp6::QuotesOurPingRequest(quote, kSeq));
    EXPECT_FALSE(icmp6::QuotesOurPingRequest(quote, kSeq + 1));
    EXPECT_FALSE(icmp6::QuotesOurPingRequest(Icmp6(129, 0, 0x4242, kSeq, kPayload), kSeq));
    EXPECT_FALSE(icmp6::QuotesOurPingRequest(Prefix(quote, 7), kSeq));
}

TEST(Icmp6Request, HeaderCarriesTypeIdentifierAndSequenceAndLeavesTheChecksumToTheKernel) {
    const auto header = icmp6::EchoRequestHeader(0xBEEF, 0x0102);
    EXPECT_EQ(Bytes(header.begin(), header.end()), (Bytes{128, 0, 0, 0, 0xBE, 0xEF, 0x01, 0x02}));
}

}  // namespace
}  // namespace velmora::test
