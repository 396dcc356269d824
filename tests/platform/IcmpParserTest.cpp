// What a received packet is to the echo we wait for, over packets written out
// byte by byte here so the tests do not lean on the code under test.
#include "platform/IcmpParser.h"

#include <gtest/gtest.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/NetworkServices.h"
#include "tests/support/IcmpBytes.h"

namespace velmora::test {
namespace {

using icmp::Classify;
using icmp::SocketKind;
using icmp::Verdict;

constexpr std::uint32_t kUs = AddressFromOctets(192, 0, 2, 10);
constexpr std::uint32_t kTarget = AddressFromOctets(198, 51, 100, 7);
constexpr std::uint32_t kRouter = AddressFromOctets(192, 0, 2, 1);
constexpr std::uint16_t kId = 0xBEEF;
constexpr std::uint16_t kSeq = 0x0102;
constexpr std::uint8_t kTtl = 61;
const icmp::EchoRequest kRequest{kId, kSeq, kTarget};
const Bytes kPayload{7, 7, 7, 7, 7};
constexpr Verdict kReply = Verdict::EchoReply, kError = Verdict::Error, kNotOurs = Verdict::NotOurs;

// An IPv4 datagram with `optionWords` words of NOP options; nothing reads its header checksum.
Bytes Ip(std::uint32_t from, std::uint32_t to, const Bytes& payload, std::size_t optionWords = 0,
         std::uint8_t protocol = 1) {
    const std::size_t headerLength = 20 + 4 * optionWords;
    Bytes packet(headerLength, 1);
    std::fill_n(packet.begin(), 20, 0);
    packet[0] = std::uint8_t(0x40 | headerLength / 4);
    PutU16(packet, 2, headerLength + payload.size());
    packet[8] = kTtl;
    packet[9] = protocol;
    for (int i = 0; i < 4; ++i) {
        packet[12 + i] = OctetOf(from, i);
        packet[16 + i] = OctetOf(to, i);
    }
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

Bytes OurRequest(std::size_t optionWords = 0, std::uint16_t id = kId, std::uint16_t seq = kSeq,
                 std::uint32_t to = kTarget, std::uint8_t type = 8) {
    return Ip(kUs, to, IcmpMessage(type, 0, id, seq, kPayload), optionWords);
}
Bytes RawReply(std::uint16_t id = kId, std::uint16_t seq = kSeq, std::size_t optionWords = 0) {
    return Ip(kTarget, kUs, IcmpMessage(0, 0, id, seq, kPayload), optionWords);
}
Bytes RawError(std::uint8_t type, std::uint8_t code, const Bytes& quote) {
    return Ip(kRouter, kUs, IcmpMessage(type, code, 0, 0, quote));
}

// Each error type and code, quoting our request, through a raw socket's
// packet and through a ping socket's queued error.
TEST(ErrorStatus, OfAnErrorQuotingOurRequest) {
    const struct {
        const char* name;
        std::uint8_t type, code;
        std::optional<std::int32_t> status;  // none: not an answer to an echo
    } rows[] = {
        {"NetUnreachable", 3, 0, IP_DEST_NET_UNREACHABLE},
        {"HostUnreachable", 3, 1, IP_DEST_HOST_UNREACHABLE},
        {"ProtocolUnreachable", 3, 2, IP_DEST_PROT_UNREACHABLE},
        {"PortUnreachable", 3, 3, IP_DEST_PORT_UNREACHABLE},
        {"FragmentationNeeded", 3, 4, IP_PACKET_TOO_BIG},
        {"SourceRouteFailed", 3, 5, IP_BAD_ROUTE},
        {"NetUnknown", 3, 6, IP_DEST_NET_UNREACHABLE},
        {"NetProhibited", 3, 9, IP_DEST_NET_UNREACHABLE},
        {"NetUnreachableForTos", 3, 11, IP_DEST_NET_UNREACHABLE},
        {"UnknownUnreachableCode", 3, 255, IP_DEST_HOST_UNREACHABLE},
        {"SourceQuench", 4, 0, IP_SOURCE_QUENCH},
        {"TtlExpiredInTransit", 11, 0, IP_TTL_EXPIRED_TRANSIT},
        {"ReassemblyTimeExceeded", 11, 1, IP_TTL_EXPIRED_REASSEM},
        {"OtherTimeExceeded", 11, 2, IP_TTL_EXPIRED_TRANSIT},
        {"ParameterProblem", 12, 1, IP_PARAM_PROBLEM},
        {"RedirectAnswersNothing", 5, 0, std::nullopt},
        {"ARequestAnswersNothing", 8, 0, std::nullopt},
    };
    for (const auto& row : rows) {
        const auto found = Classify(RawError(row.type, row.code, OurRequest()), SocketKind::Raw, kRequest, kRouter);
        EXPECT_EQ(found.verdict, row.status ? kError : kNotOurs) << row.name;
        EXPECT_EQ(found.status, row.status.value_or(0)) << row.name;
        EXPECT_EQ(found.router, row.status ? kRouter : 0) << row.name;
        EXPECT_EQ(icmp::StatusFromExtendedError(SO_EE_ORIGIN_ICMP, row.type, row.code), row.status) << row.name;
    }
    EXPECT_EQ(icmp::StatusFromExtendedError(SO_EE_ORIGIN_LOCAL, 11, 0), std::nullopt) << "not the ICMP's";
}

// A reply gives the data behind both headers, however long the IP header,
// and the reply's TTL.
TEST(RawPacket, Verdict) {
    const struct {
        const char* name;
        Bytes packet;
        std::uint32_t source;
        Verdict verdict;
        std::int32_t status = 0;      // an error's
        std::size_t optionWords = 0;  // a reply's, before its data
    } rows[] = {
        {"OurReply", RawReply(), kTarget, kReply},
        {"OurReplyBehindOptions", RawReply(kId, kSeq, 10), kTarget, kReply, 0, 10},
        {"ReplyFromAnotherHost", RawReply(), kRouter, kNotOurs},
        {"ReplyWithOtherIdentifier", RawReply(kId + 1), kTarget, kNotOurs},
        {"ReplyWithOtherSequence", RawReply(kId, kSeq + 1), kTarget, kNotOurs},
        {"ReplyWithBadChecksum", WithByte(RawReply(), 30, 8), kTarget, kNotOurs},
        {"OwnRequestSeenOnLoopback", Ip(kTarget, kTarget, IcmpMessage(8, 0, kId, kSeq, kPayload)), kTarget, kNotOurs},
        {"NotIcmp", Ip(kTarget, kUs, IcmpMessage(0, 0, kId, kSeq, kPayload), 0, 17), kTarget, kNotOurs},
        {"IpVersion6", WithByte(RawReply(), 0, 0x65), kTarget, kNotOurs},
        {"HeaderLengthBelowMinimum", WithByte(RawReply(), 0, 0x44), kTarget, kNotOurs},
        {"HeaderLengthBeyondPacket", WithByte(RawReply(), 0, 0x4F), kTarget, kNotOurs},
        {"ErrorInsideHeadersWithOptions", Ip(kRouter, kUs, IcmpMessage(11, 1, 0, 0, OurRequest(2)), 4), kRouter, kError,
         IP_TTL_EXPIRED_REASSEM},
        {"ErrorQuotingOtherIdentifier", RawError(11, 0, OurRequest(0, kId + 1)), kRouter, kNotOurs},
        {"ErrorQuotingOtherSequence", RawError(11, 0, OurRequest(0, kId, kSeq - 1)), kRouter, kNotOurs},
        {"ErrorQuotingOtherDestination", RawError(11, 0, OurRequest(0, kId, kSeq, kRouter)), kRouter, kNotOurs},
        {"ErrorQuotingAReply", RawError(11, 0, OurRequest(0, kId, kSeq, kTarget, 0)), kRouter, kNotOurs},
        {"ErrorQuotingUdp", RawError(3, 3, WithByte(OurRequest(), 9, 17)), kRouter, kNotOurs},
        {"ErrorQuotingIpVersion6", RawError(11, 0, WithByte(OurRequest(), 0, 0x65)), kRouter, kNotOurs},
        {"ErrorWithBadChecksum", WithByte(RawError(11, 0, OurRequest()), 24, 0xAA), kRouter, kNotOurs},
        {"ErrorFromTheTargetItself", RawError(3, 3, OurRequest()), kTarget, kError, IP_DEST_PORT_UNREACHABLE},
    };
    for (const auto& row : rows) {
        const auto found = Classify(row.packet, SocketKind::Raw, kRequest, row.source);
        EXPECT_EQ(found.verdict, row.verdict) << row.name;
        if (row.verdict != kReply) {
            EXPECT_EQ(found.status, row.status) << row.name;
            continue;
        }
        EXPECT_EQ(found.dataOffset, 28 + 4 * row.optionWords) << row.name;
        EXPECT_EQ(found.dataLength, kPayload.size()) << row.name;
        EXPECT_EQ(found.ttl, kTtl) << row.name;
    }
}

// Every cut is refused without reading past its end (the sanitizers watch
// each exactly-sized copy). A quote needs the inner header, as long as its
// own IHL says, and 8 bytes of ICMP: the least that identifies our request.
TEST(RawTruncation, CutsAreRefusedAndAQuoteNeedsInnerHeaderAndEightBytes) {
    for (const Bytes& whole : {RawReply(), RawError(3, 1, OurRequest()), RawError(3, 1, OurRequest(3))}) {
        // From the target, a cut is looked at both as a reply and as an error.
        for (std::size_t length = 0; length < whole.size(); ++length) {
            EXPECT_EQ(Classify(Prefix(whole, length), SocketKind::Raw, kRequest, kTarget).verdict, kNotOurs) << length;
        }
    }
    for (const std::size_t optionWords : {0U, 3U}) {
        const std::size_t needed = 20 + 4 * optionWords + 8;
        for (std::size_t length = 0; length <= needed; ++length) {
            const Bytes packet = RawError(11, 0, Prefix(OurRequest(optionWords), length));
            EXPECT_EQ(Classify(packet, SocketKind::Raw, kRequest, kRouter).verdict,
                      length == needed ? kError : kNotOurs) << optionWords << " " << length;
        }
    }
}

// A ping socket hands over the ICMP message alone, its identifier the kernel's.
TEST(PingSocket, ReplyAndErrorQuoteMatchBySequenceAndSourceNotIdentifier) {
    const auto ping = [](const Bytes& packet, std::uint32_t from = kTarget) {
        return Classify(packet, SocketKind::Ping, kRequest, from);
    };
    const Bytes reply = IcmpMessage(0, 0, 0x4242, kSeq, kPayload);
    ASSERT_EQ(ping(reply).verdict, kReply);
    EXPECT_EQ(ping(reply).dataOffset, 8U);
    EXPECT_EQ(ping(reply).dataLength, kPayload.size());
    EXPECT_FALSE(ping(reply).ttl.has_value());
    EXPECT_EQ(ping(reply, kRouter).verdict, kNotOurs);
    EXPECT_EQ(ping(IcmpMessage(0, 0, kId, kSeq + 1, kPayload)).verdict, kNotOurs);
    EXPECT_EQ(ping(IcmpMessage(8, 0, kId, kSeq, kPayload)).verdict, kNotOurs);
    EXPECT_EQ(ping(Prefix(reply, 8)).dataLength, 0U);

    const Bytes quote = IcmpMessage(8, 0, 0x4242, kSeq, kPayload);
    EXPECT_TRUE(icmp::QuotesOurPingRequest(Prefix(quote, 8), kSeq));
    EXPECT_FALSE(icmp::QuotesOurPingRequest(quote, kSeq + 1));
    EXPECT_FALSE(icmp::QuotesOurPingRequest(reply, kSeq));
    for (std::size_t length = 0; length < 8; ++length) {
        EXPECT_EQ(ping(Prefix(reply, length)).verdict, kNotOurs);
        EXPECT_FALSE(icmp::QuotesOurPingRequest(Prefix(quote, length), kSeq)) << length;
    }
}

// A sweep files its echoes by sequence and destination: a packet's key names
// the echo it answers or reports on, whatever the order packets come in.
TEST(SweepKey, NamesTheEchoAReplyOrErrorIsFor) {
    using Key = std::optional<std::pair<std::uint16_t, std::uint32_t>>;
    const auto key = [](const Bytes& packet, SocketKind kind, std::uint32_t from = kTarget) -> Key {
        const auto found = icmp::KeyOfAnswer(packet, kind, kId, from);
        if (!found) return std::nullopt;
        return std::pair{found->sequence, found->destination};
    };
    const Key ours = std::pair{kSeq, kTarget};
    const struct {
        const char* name;
        Bytes packet;
        SocketKind kind;
        std::uint32_t from;
        Key expected;
    } rows[] = {
        {"RawReply", RawReply(), SocketKind::Raw, kTarget, ours},
        {"RawReplyWithOptions", RawReply(kId, kSeq, 2), SocketKind::Raw, kTarget, ours},
        {"RawReplyFromAnotherHostIsItsEcho", RawReply(), SocketKind::Raw, kRouter, std::pair{kSeq, kRouter}},
        {"RawReplyToAnotherProcess", RawReply(kId ^ 1), SocketKind::Raw, kTarget, std::nullopt},
        {"RawErrorQuotingOurRequest", RawError(11, 0, OurRequest()), SocketKind::Raw, kRouter, ours},
        {"RawErrorQuotingWithOptions", RawError(3, 1, OurRequest(3)), SocketKind::Raw, kRouter, ours},
        {"RawErrorQuotingAnotherProcess", RawError(3, 1, OurRequest(0, kId ^ 1)), SocketKind::Raw, kRouter,
         std::nullopt},
        {"RawErrorQuotingAReply", RawError(3, 1, OurRequest(0, kId, kSeq, kTarget, 0)), SocketKind::Raw, kRouter,
         std::nullopt},
        {"RawErrorQuoteCut", RawError(3, 1, Prefix(OurRequest(), 27)), SocketKind::Raw, kRouter, std::nullopt},
        {"RawRequestIsNoAnswer", OurRequest(), SocketKind::Raw, kTarget, std::nullopt},
        {"RawCutHeader", Prefix(RawReply(), 27), SocketKind::Raw, kTarget, std::nullopt},
        {"PingReplyAnyIdentifier", IcmpMessage(0, 0, 0x4242, kSeq, kPayload), SocketKind::Ping, kTarget, ours},
        {"PingRequestIsNoAnswer", IcmpMessage(8, 0, 0x4242, kSeq, kPayload), SocketKind::Ping, kTarget, std::nullopt},
        {"PingCut", Prefix(IcmpMessage(0, 0, 0x4242, kSeq, kPayload), 7), SocketKind::Ping, kTarget, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(key(row.packet, row.kind, row.from), row.expected);
    }
    EXPECT_EQ(icmp::QuotedPingSequence(IcmpMessage(8, 0, 0x4242, kSeq, {})), kSeq);
    EXPECT_EQ(icmp::QuotedPingSequence(IcmpMessage(0, 0, 0x4242, kSeq, {})), std::nullopt);
    EXPECT_EQ(icmp::QuotedPingSequence(Prefix(IcmpMessage(8, 0, 0x4242, kSeq, {}), 7)), std::nullopt);
}

// The header is sent beside the payload without joining them, its checksum
// taken over both; the largest payload a request can carry must not overflow the sum.
TEST(EchoRequestHeader, LaysOutTheHeaderWithAChecksumOverHeaderAndPayload) {
    for (const std::size_t size : {0U, 1U, 33U, 1500U, 65535U}) {
        Bytes payload(size);
        for (std::size_t i = 0; i < size; ++i) payload[i] = std::uint8_t(0xFF - i * 7);
        const auto header = icmp::EchoRequestHeader(0x8001, 0xFEDC, payload);
        Bytes request(header.begin(), header.end());
        EXPECT_EQ(WithByte(WithByte(request, 2, 0), 3, 0), (Bytes{8, 0, 0, 0, 0x80, 0x01, 0xFE, 0xDC}));
        request.insert(request.end(), payload.begin(), payload.end());
        EXPECT_EQ(Checksum(request), 0) << size;
    }
}

}  // namespace
}  // namespace velmora::test
