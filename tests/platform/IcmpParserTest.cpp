#include "platform/IcmpParser.h"

#include <gtest/gtest.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>

#include <string>

#include "tests/platform/IcmpPackets.h"

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
const icmp::EchoRequest kRequest{kId, kSeq, kTarget};
const Bytes kPayload{7, 7, 7, 7, 7};

Bytes OurRequest(std::size_t optionWords = 0) {
    return Ip({kUs, kTarget, 64, 1, optionWords}, Icmp(8, 0, kId, kSeq, kPayload));
}

Bytes RawReply(std::uint16_t id = kId, std::uint16_t seq = kSeq, std::size_t optionWords = 0) {
    return Ip({kTarget, kUs, 61, 1, optionWords}, Icmp(0, 0, id, seq, kPayload));
}

Bytes RawError(std::uint8_t type, std::uint8_t code, const Bytes& quote) {
    return Ip({kRouter, kUs, 250, 1, 0}, Icmp(type, code, 0, 0, quote));
}

struct StatusCase {
    std::string name;
    std::uint8_t type;
    std::uint8_t code;
    std::optional<std::int32_t> status;
    friend void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<StatusCase> StatusCases() {
    std::vector<StatusCase> cases;
    const std::int32_t unreachable[] = {11002, 11003, 11004, 11005, 11009, 11012, 11002, 11003, 11003,
                                        11002, 11003, 11002, 11003, 11003, 11003, 11003, 11003};
    for (std::uint8_t code = 0; code <= 16; ++code) {
        cases.push_back({"Unreachable" + std::to_string(code), 3, code, unreachable[code]});
    }
    cases.push_back({"Unreachable255", 3, 255, 11003});
    cases.push_back({"SourceQuench", 4, 0, 11016});
    cases.push_back({"TimeExceededInTransit", 11, 0, 11013});
    cases.push_back({"TimeExceededReassembly", 11, 1, 11014});
    cases.push_back({"TimeExceededOtherCode", 11, 2, 11013});
    cases.push_back({"ParameterProblem", 12, 0, 11015});
    cases.push_back({"ParameterProblemMissingOption", 12, 1, 11015});
    for (const std::uint8_t type : {0, 5, 8, 9, 13, 14, 40, 255}) {
        cases.push_back({"NotAnAnswerType" + std::to_string(type), type, 0, std::nullopt});
    }
    return cases;
}

class StatusTable : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusTable, ExtendedErrorOfIcmpOriginOnly) {
    const auto& c = GetParam();
    EXPECT_EQ(icmp::StatusFromExtendedError(SO_EE_ORIGIN_ICMP, c.type, c.code), c.status);
    EXPECT_EQ(icmp::StatusFromExtendedError(SO_EE_ORIGIN_LOCAL, c.type, c.code), std::nullopt);
}

TEST_P(StatusTable, QuotedByRawError) {
    const auto& c = GetParam();
    const auto found = Classify(RawError(c.type, c.code, OurRequest()), SocketKind::Raw, kRequest, kRouter);
    if (!c.status) {
        EXPECT_EQ(found.verdict, Verdict::NotOurs);
        return;
    }
    EXPECT_EQ(found.verdict, Verdict::Error);
    EXPECT_EQ(found.status, *c.status);
    EXPECT_EQ(found.router, kRouter);
}

INSTANTIATE_TEST_SUITE_P(Icmp, StatusTable, testing::ValuesIn(StatusCases()),
                         [](const auto& info) { return info.param.name; });

struct RawCase {
    std::string name;
    Bytes packet;
    std::uint32_t source;
    Verdict verdict;
    std::int32_t status = 0;  // an error's
    friend void PrintTo(const RawCase& c, std::ostream* os) { *os << c.name; }
};

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

std::vector<RawCase> RawCases() {
    const Bytes request = OurRequest();
    Bytes quoteWithUdp = request;
    quoteWithUdp[9] = 17;
    return {
        {"OurReply", RawReply(), kTarget, Verdict::EchoReply},
        {"ReplyFromAnotherHost", RawReply(), kRouter, Verdict::NotOurs},
        {"ReplyWithOtherIdentifier", RawReply(kId + 1), kTarget, Verdict::NotOurs},
        {"ReplyWithOtherSequence", RawReply(kId, kSeq + 1), kTarget, Verdict::NotOurs},
        {"ReplyWithBadChecksum", WithByte(RawReply(), 30, 8), kTarget, Verdict::NotOurs},
        {"OwnRequestSeenOnLoopback", Ip({kTarget, kTarget, 64, 1, 0}, Icmp(8, 0, kId, kSeq, kPayload)), kTarget,
         Verdict::NotOurs},
        {"NotIcmp", Ip({kTarget, kUs, 64, 17, 0}, Icmp(0, 0, kId, kSeq, kPayload)), kTarget, Verdict::NotOurs},
        {"IpVersion6", WithByte(RawReply(), 0, 0x65), kTarget, Verdict::NotOurs},
        {"HeaderLengthBelowMinimum", WithByte(RawReply(), 0, 0x44), kTarget, Verdict::NotOurs},
        {"HeaderLengthBeyondPacket", WithByte(RawReply(), 0, 0x4F), kTarget, Verdict::NotOurs},
        {"ErrorQuotingOurRequest", RawError(11, 0, request), kRouter, Verdict::Error, 11013},
        {"ErrorInsideAHeaderWithOptions", Ip({kRouter, kUs, 250, 1, 4}, Icmp(11, 1, 0, 0, OurRequest(2))), kRouter,
         Verdict::Error, 11014},
        {"ErrorQuotingOtherIdentifier",
         RawError(11, 0, Ip({kUs, kTarget, 64, 1, 0}, Icmp(8, 0, kId + 1, kSeq, kPayload))), kRouter,
         Verdict::NotOurs},
        {"ErrorQuotingOtherSequence",
         RawError(11, 0, Ip({kUs, kTarget, 64, 1, 0}, Icmp(8, 0, kId, kSeq - 1, kPayload))), kRouter,
         Verdict::NotOurs},
        {"ErrorQuotingOtherDestination",
         RawError(11, 0, Ip({kUs, kRouter, 64, 1, 0}, Icmp(8, 0, kId, kSeq, kPayload))), kRouter,
         Verdict::NotOurs},
        {"ErrorQuotingAReply", RawError(11, 0, Ip({kUs, kTarget, 64, 1, 0}, Icmp(0, 0, kId, kSeq, kPayload))),
         kRouter, Verdict::NotOurs},
        {"ErrorQuotingUdp", RawError(3, 3, quoteWithUdp), kRouter, Verdict::NotOurs},
        {"ErrorQuotingIpVersion6", RawError(11, 0, WithByte(request, 0, 0x65)), kRouter, Verdict::NotOurs},
        {"ErrorWithBadChecksum", WithByte(RawError(11, 0, request), 24, 0xAA), kRouter, Verdict::NotOurs},
        {"ErrorFromTheTargetItself", RawError(3, 3, request), kTarget, Verdict::Error, 11005},
    };
}

class RawPacket : public testing::TestWithParam<RawCase> {};

TEST_P(RawPacket, Verdict) {
    const auto& c = GetParam();
    const auto found = Classify(c.packet, SocketKind::Raw, kRequest, c.source);
    EXPECT_EQ(found.verdict, c.verdict);
    EXPECT_EQ(found.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(Raw, RawPacket, testing::ValuesIn(RawCases()),
                         [](const auto& info) { return info.param.name; });

TEST(RawReply, GivesTheDataBehindTheHeadersAndTheReplyTtl) {
    const struct {
        const char* name;
        Bytes packet;
        std::size_t dataOffset, dataLength;
        std::uint8_t ttl;
    } cases[] = {
        {"plain", RawReply(), 28, kPayload.size(), 61},
        {"one option word", RawReply(kId, kSeq, 1), 32, kPayload.size(), 61},
        {"ten option words", RawReply(kId, kSeq, 10), 68, kPayload.size(), 61},
        {"empty payload", Ip({kTarget, kUs, 64, 1, 0}, Icmp(0, 0, kId, kSeq, {})), 28, 0, 64},
    };
    for (const auto& c : cases) {
        const auto found = Classify(c.packet, SocketKind::Raw, kRequest, kTarget);
        ASSERT_EQ(found.verdict, Verdict::EchoReply) << c.name;
        EXPECT_EQ(found.dataOffset, c.dataOffset) << c.name;
        EXPECT_EQ(found.dataLength, c.dataLength) << c.name;
        EXPECT_EQ(found.ttl, std::optional<std::uint8_t>(c.ttl)) << c.name;
    }
}

// Every cut of a datagram must be refused without reading past its end
// (the sanitizers watch each exactly-sized copy).
TEST(RawTruncation, EveryShorterCutIsRefused) {
    for (const Bytes& whole : {RawReply(), RawError(3, 1, OurRequest()), RawError(3, 1, OurRequest(3))}) {
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const Bytes cut = Prefix(whole, length);
            EXPECT_EQ(Classify(cut, SocketKind::Raw, kRequest, kTarget).verdict, Verdict::NotOurs) << length;
            EXPECT_EQ(Classify(cut, SocketKind::Raw, kRequest, kRouter).verdict, Verdict::NotOurs) << length;
        }
    }
}

// A router may quote less than the whole request; the inner header (as long
// as its own IHL says) and 8 bytes of ICMP are the least that identifies it.
TEST(RawTruncation, QuoteNeedsInnerHeaderAndEightBytes) {
    for (const std::size_t optionWords : {0U, 3U}) {
        const Bytes request = OurRequest(optionWords);
        const std::size_t needed = 20 + 4 * optionWords + 8;
        for (std::size_t length = 0; length <= needed; ++length) {
            const Bytes packet = RawError(11, 0, Prefix(request, length));
            const auto expected = length == needed ? Verdict::Error : Verdict::NotOurs;
            EXPECT_EQ(Classify(packet, SocketKind::Raw, kRequest, kRouter).verdict, expected)
                << "options " << optionWords << " quote " << length;
        }
    }
}

// Ping socket packets: the ICMP message only, identifier the kernel's.

TEST(PingReply, MatchesBySequenceAndSourceNotIdentifier) {
    const Bytes reply = Icmp(0, 0, 0x4242, kSeq, kPayload);
    const auto found = Classify(reply, SocketKind::Ping, kRequest, kTarget);
    ASSERT_EQ(found.verdict, Verdict::EchoReply);
    EXPECT_EQ(found.dataOffset, 8U);
    EXPECT_EQ(found.dataLength, kPayload.size());
    EXPECT_FALSE(found.ttl.has_value());
    EXPECT_EQ(Classify(reply, SocketKind::Ping, kRequest, kRouter).verdict, Verdict::NotOurs);
    EXPECT_EQ(Classify(Icmp(0, 0, kId, kSeq + 1, kPayload), SocketKind::Ping, kRequest, kTarget).verdict,
              Verdict::NotOurs);
    EXPECT_EQ(Classify(Icmp(8, 0, kId, kSeq, kPayload), SocketKind::Ping, kRequest, kTarget).verdict,
              Verdict::NotOurs);
}

TEST(PingReply, CutsBelowTheHeaderAreRefused) {
    const Bytes reply = Icmp(0, 0, kId, kSeq, kPayload);
    for (std::size_t length = 0; length < 8; ++length) {
        EXPECT_EQ(Classify(Prefix(reply, length), SocketKind::Ping, kRequest, kTarget).verdict, Verdict::NotOurs)
            << length;
    }
    const auto headerOnly = Classify(Prefix(reply, 8), SocketKind::Ping, kRequest, kTarget);
    EXPECT_EQ(headerOnly.verdict, Verdict::EchoReply);
    EXPECT_EQ(headerOnly.dataLength, 0U);
}

TEST(PingErrorQuote, OurRequestBySequence) {
    const Bytes quote = Icmp(8, 0, 0x4242, kSeq, kPayload);
    EXPECT_TRUE(icmp::QuotesOurPingRequest(quote, kSeq));
    EXPECT_FALSE(icmp::QuotesOurPingRequest(quote, kSeq + 1));
    EXPECT_FALSE(icmp::QuotesOurPingRequest(Icmp(0, 0, 0x4242, kSeq, {}), kSeq));
    for (std::size_t length = 0; length < 8; ++length) {
        EXPECT_FALSE(icmp::QuotesOurPingRequest(Prefix(quote, length), kSeq)) << length;
    }
    EXPECT_TRUE(icmp::QuotesOurPingRequest(Prefix(quote, 8), kSeq));
}

TEST(SequenceWrap, NeighboursAcrossTheWrapAreDistinct) {
    const icmp::EchoRequest last{kId, 0xFFFF, kTarget};
    const icmp::EchoRequest first{kId, 0x0000, kTarget};
    for (const auto kind : {SocketKind::Raw, SocketKind::Ping}) {
        auto reply = [&](std::uint16_t seq) {
            return kind == SocketKind::Raw ? RawReply(kId, seq) : Icmp(0, 0, kId, seq, kPayload);
        };
        EXPECT_EQ(Classify(reply(0xFFFF), kind, last, kTarget).verdict, Verdict::EchoReply);
        EXPECT_EQ(Classify(reply(0x0000), kind, last, kTarget).verdict, Verdict::NotOurs);
        EXPECT_EQ(Classify(reply(0x0000), kind, first, kTarget).verdict, Verdict::EchoReply);
        EXPECT_EQ(Classify(reply(0xFFFF), kind, first, kTarget).verdict, Verdict::NotOurs);
    }
}

TEST(Checksum, KnownVectorsAndOddLength) {
    // RFC 1071's worked example: the sum is 0xDDF2.
    EXPECT_EQ(icmp::InternetChecksum(Bytes{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}), 0x220D);
    EXPECT_EQ(icmp::InternetChecksum(Bytes{}), 0xFFFF);
    EXPECT_EQ(icmp::InternetChecksum(Bytes{0x12}), std::uint16_t(~0x1200));
    EXPECT_EQ(icmp::InternetChecksum(Bytes(4, 0xFF)), 0x0000);
}

// The header is also sent beside the payload without joining them; the
// largest payload a request can carry must not overflow the sum.
TEST(BuildEchoRequest, LaysOutTheHeaderAndAChecksumOverHeaderAndPayload) {
    for (const std::size_t size : {0U, 1U, 2U, 33U, 1499U, 1500U, 65535U}) {
        Bytes payload(size);
        for (std::size_t i = 0; i < size; ++i) payload[i] = std::uint8_t(0xFF - i * 7);
        const Bytes request = icmp::BuildEchoRequest(0x8001, 0xFEDC, payload);
        const auto header = icmp::EchoRequestHeader(0x8001, 0xFEDC, payload);
        ASSERT_EQ(request.size(), 8 + size);
        EXPECT_EQ(Prefix(request, 8), Bytes(header.begin(), header.end())) << size;
        EXPECT_EQ(Prefix(request, 2), (Bytes{8, 0})) << size;
        EXPECT_EQ(Bytes(request.begin() + 4, request.begin() + 8), (Bytes{0x80, 0x01, 0xFE, 0xDC})) << size;
        EXPECT_EQ(Checksum(request), 0) << size;
        EXPECT_EQ(Bytes(request.begin() + 8, request.end()), payload) << size;
    }
}

}  // namespace
}  // namespace velmora::test
