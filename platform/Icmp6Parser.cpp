#include "platform/Icmp6Parser.h"

#include <ctime>  // linux/errqueue.h uses timespec without including it

#include <linux/errqueue.h>

#include <algorithm>

#include "platform/NetworkServices.h"

namespace velmora::icmp6 {

namespace {

constexpr std::uint8_t kDestinationUnreachable = 1;
constexpr std::uint8_t kPacketTooBig = 2;
constexpr std::uint8_t kTimeExceeded = 3;
constexpr std::uint8_t kParameterProblem = 4;

constexpr std::size_t kIpv6HeaderSize = 40;
constexpr std::size_t kDestinationAt = 24;
constexpr std::uint8_t kNextHeaderIcmp6 = 58;
constexpr std::uint8_t kNextHeaderFragment = 44;
constexpr std::size_t kFragmentHeaderSize = 8;

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint16_t(bytes[at] << 8 | bytes[at + 1]);
}

bool IsOurEcho(std::span<const std::uint8_t> message, std::uint8_t type, const EchoRequest& request) {
    return message.size() >= kHeaderSize && message[0] == type && ReadU16(message, 4) == request.identifier &&
           ReadU16(message, 6) == request.sequence;
}

std::int32_t StatusFromUnreachableCode(std::uint8_t code) {
    switch (code) {
        case 0: return IP_DEST_NET_UNREACHABLE;    // no route to destination
        case 4: return IP_DEST_PORT_UNREACHABLE;   // port unreachable
        default: return IP_DEST_HOST_UNREACHABLE;  // prohibited, beyond scope, address unreachable, policy, reject
    }
}

// Where the quoted datagram's ICMPv6 message starts: behind its IPv6 header,
// and behind a fragment header when the request went in pieces (only the
// first piece, offset 0, holds the ICMPv6 header). Nothing when the quote
// holds no ICMPv6 message to our destination.
std::optional<std::size_t> QuotedMessageStart(std::span<const std::uint8_t> quote, const Address& destination) {
    if (quote.size() < kIpv6HeaderSize || quote[0] >> 4 != 6) return std::nullopt;
    if (!std::equal(destination.begin(), destination.end(), quote.begin() + kDestinationAt)) return std::nullopt;
    std::uint8_t next = quote[6];
    std::size_t at = kIpv6HeaderSize;
    if (next == kNextHeaderFragment) {
        if (quote.size() < at + kFragmentHeaderSize || (ReadU16(quote, at + 2) & 0xFFF8) != 0) return std::nullopt;
        next = quote[at];
        at += kFragmentHeaderSize;
    }
    if (next != kNextHeaderIcmp6) return std::nullopt;
    return at;
}

bool QuotesOurRawRequest(std::span<const std::uint8_t> quote, const EchoRequest& request) {
    const auto start = QuotedMessageStart(quote, request.destination);
    return start && IsOurEcho(quote.subspan(*start), kEchoRequest, request);
}

Classification EchoReplyAt(std::size_t size) {
    Classification reply;
    reply.verdict = Verdict::EchoReply;
    reply.dataOffset = kHeaderSize;
    reply.dataLength = size - kHeaderSize;
    return reply;
}

// A raw socket sees every ICMPv6 message of the host that its filter lets
// through: replies to other programs, errors about other datagrams.
Classification ClassifyRaw(std::span<const std::uint8_t> message, const EchoRequest& request,
                           const Address& source) {
    if (message.size() < kHeaderSize) return {};
    if (source == request.destination && IsOurEcho(message, kEchoReply, request)) return EchoReplyAt(message.size());
    const auto status = StatusFromIcmp6(message[0], message[1]);
    if (!status || !QuotesOurRawRequest(message.subspan(kHeaderSize), request)) return {};
    Classification error;
    error.verdict = Verdict::Error;
    error.status = *status;
    return error;
}

// A ping socket receives only echo replies carrying its identifier. Errors
// come through the error queue.
Classification ClassifyPing(std::span<const std::uint8_t> message, const EchoRequest& request,
                            const Address& source) {
    if (source != request.destination || message.size() < kHeaderSize || message[0] != kEchoReply ||
        ReadU16(message, 6) != request.sequence) {
        return {};
    }
    return EchoReplyAt(message.size());
}

}  // namespace

Classification Classify(std::span<const std::uint8_t> message, SocketKind kind, const EchoRequest& request,
                        const Address& source) {
    return kind == SocketKind::Raw ? ClassifyRaw(message, request, source) : ClassifyPing(message, request, source);
}

std::optional<std::int32_t> StatusFromIcmp6(std::uint8_t type, std::uint8_t code) {
    switch (type) {
        case kDestinationUnreachable: return StatusFromUnreachableCode(code);
        case kPacketTooBig: return IP_PACKET_TOO_BIG;
        case kTimeExceeded: return code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TTL_EXPIRED_TRANSIT;
        case kParameterProblem: return IP_PARAM_PROBLEM;
        default: return std::nullopt;
    }
}

std::optional<std::int32_t> StatusFromExtendedError(std::uint8_t origin, std::uint8_t type, std::uint8_t code) {
    if (origin != SO_EE_ORIGIN_ICMP6) return std::nullopt;
    return StatusFromIcmp6(type, code);
}

bool QuotesOurPingRequest(std::span<const std::uint8_t> quote, std::uint16_t sequence) {
    return quote.size() >= kHeaderSize && quote[0] == kEchoRequest && ReadU16(quote, 6) == sequence;
}

std::array<std::uint8_t, kHeaderSize> EchoRequestHeader(std::uint16_t identifier, std::uint16_t sequence) {
    return {kEchoRequest,           0, 0, 0, std::uint8_t(identifier >> 8), std::uint8_t(identifier),
            std::uint8_t(sequence >> 8), std::uint8_t(sequence)};
}

}  // namespace velmora::icmp6
