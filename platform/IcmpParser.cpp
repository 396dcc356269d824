#include "platform/IcmpParser.h"

#include <ctime>  // linux/errqueue.h uses timespec without including it

#include <linux/errqueue.h>

#include "platform/NetworkServices.h"

namespace velmora::icmp {

namespace {

constexpr std::size_t kMinIpHeaderSize = 20;
constexpr std::uint8_t kProtocolIcmp = 1;

constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint8_t kSourceQuench = 4;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kParameterProblem = 12;

struct IpHeader {
    std::size_t length = 0;
    std::uint8_t ttl = 0;
    std::uint8_t protocol = 0;
    std::uint32_t destination = 0;
};

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint16_t(bytes[at] << 8 | bytes[at + 1]);
}

std::uint32_t ReadAddress(std::span<const std::uint8_t> bytes, std::size_t at) {
    return AddressFromOctets(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
}

// The header length comes from the packet's own IHL, so IP options are skipped.
std::optional<IpHeader> ReadIpHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMinIpHeaderSize || bytes[0] >> 4 != 4) return std::nullopt;
    const std::size_t length = std::size_t(bytes[0] & 0x0F) * 4;
    if (length < kMinIpHeaderSize || length > bytes.size()) return std::nullopt;
    return IpHeader{length, bytes[8], bytes[9], ReadAddress(bytes, 16)};
}

bool IsOurEcho(std::span<const std::uint8_t> icmp, std::uint8_t type, const EchoRequest& request) {
    return icmp.size() >= kIcmpHeaderSize && icmp[0] == type && ReadU16(icmp, 4) == request.identifier &&
           ReadU16(icmp, 6) == request.sequence;
}

std::int32_t StatusFromUnreachableCode(std::uint8_t code) {
    switch (code) {
        case 0: case 6: case 9: case 11: return IP_DEST_NET_UNREACHABLE;
        case 2: return IP_DEST_PROT_UNREACHABLE;
        case 3: return IP_DEST_PORT_UNREACHABLE;
        case 4: return IP_PACKET_TOO_BIG;
        case 5: return IP_BAD_ROUTE;
        default: return IP_DEST_HOST_UNREACHABLE;
    }
}

// The error's quote must hold our request: its IP header and the first 8
// bytes of its ICMP message, sent to our destination.
bool QuotesOurRawRequest(std::span<const std::uint8_t> quote, const EchoRequest& request) {
    const auto inner = ReadIpHeader(quote);
    if (!inner || quote.size() < inner->length + kIcmpHeaderSize) return false;
    return inner->protocol == kProtocolIcmp && inner->destination == request.destination &&
           IsOurEcho(quote.subspan(inner->length), kEchoRequest, request);
}

Classification ClassifyRaw(std::span<const std::uint8_t> packet, const EchoRequest& request,
                           std::uint32_t source) {
    const auto outer = ReadIpHeader(packet);
    if (!outer || outer->protocol != kProtocolIcmp) return {};
    const auto message = packet.subspan(outer->length);
    // The kernel hands a raw socket packets whose checksum it has not checked.
    if (message.size() < kIcmpHeaderSize || InternetChecksum(message) != 0) return {};

    if (source == request.destination && IsOurEcho(message, kEchoReply, request)) {
        Classification reply;
        reply.verdict = Verdict::EchoReply;
        reply.dataOffset = outer->length + kIcmpHeaderSize;
        reply.dataLength = packet.size() - reply.dataOffset;
        reply.ttl = outer->ttl;
        return reply;
    }
    const auto status = StatusFromIcmp(message[0], message[1]);
    if (!status || !QuotesOurRawRequest(message.subspan(kIcmpHeaderSize), request)) return {};
    Classification error;
    error.verdict = Verdict::Error;
    error.status = *status;
    error.router = source;
    return error;
}

// A ping socket receives only echo replies carrying its identifier; the
// kernel has checked the checksum. Errors come through the error queue.
Classification ClassifyPing(std::span<const std::uint8_t> packet, const EchoRequest& request,
                            std::uint32_t source) {
    if (source != request.destination || packet.size() < kIcmpHeaderSize || packet[0] != kEchoReply ||
        ReadU16(packet, 6) != request.sequence) {
        return {};
    }
    Classification reply;
    reply.verdict = Verdict::EchoReply;
    reply.dataOffset = kIcmpHeaderSize;
    reply.dataLength = packet.size() - kIcmpHeaderSize;
    return reply;
}

}  // namespace

Classification Classify(std::span<const std::uint8_t> packet, SocketKind kind, const EchoRequest& request,
                        std::uint32_t source) {
    return kind == SocketKind::Raw ? ClassifyRaw(packet, request, source) : ClassifyPing(packet, request, source);
}

std::optional<std::int32_t> StatusFromIcmp(std::uint8_t type, std::uint8_t code) {
    switch (type) {
        case kDestinationUnreachable: return StatusFromUnreachableCode(code);
        case kSourceQuench: return IP_SOURCE_QUENCH;
        case kTimeExceeded: return code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TTL_EXPIRED_TRANSIT;
        case kParameterProblem: return IP_PARAM_PROBLEM;
        default: return std::nullopt;
    }
}

std::optional<std::int32_t> StatusFromExtendedError(std::uint8_t origin, std::uint8_t type, std::uint8_t code) {
    if (origin != SO_EE_ORIGIN_ICMP) return std::nullopt;
    return StatusFromIcmp(type, code);
}

bool QuotesOurPingRequest(std::span<const std::uint8_t> quote, std::uint16_t sequence) {
    return quote.size() >= kIcmpHeaderSize && quote[0] == kEchoRequest && ReadU16(quote, 6) == sequence;
}

std::optional<std::uint16_t> QuotedPingSequence(std::span<const std::uint8_t> quote) {
    if (quote.size() < kIcmpHeaderSize || quote[0] != kEchoRequest) return std::nullopt;
    return ReadU16(quote, 6);
}

namespace {

// An error's quote: our request's IP header, then its first 8 ICMP bytes.
std::optional<EchoKey> KeyOfRawQuote(std::span<const std::uint8_t> quote, std::uint16_t identifier) {
    const auto inner = ReadIpHeader(quote);
    if (!inner || inner->protocol != kProtocolIcmp || quote.size() < inner->length + kIcmpHeaderSize) {
        return std::nullopt;
    }
    const auto request = quote.subspan(inner->length);
    if (request[0] != kEchoRequest || ReadU16(request, 4) != identifier) return std::nullopt;
    return EchoKey{ReadU16(request, 6), inner->destination};
}

std::optional<EchoKey> KeyOfRawAnswer(std::span<const std::uint8_t> packet, std::uint16_t identifier,
                                      std::uint32_t source) {
    const auto outer = ReadIpHeader(packet);
    if (!outer || outer->protocol != kProtocolIcmp || packet.size() < outer->length + kIcmpHeaderSize) {
        return std::nullopt;
    }
    const auto message = packet.subspan(outer->length);
    if (message[0] == kEchoReply) {
        if (ReadU16(message, 4) != identifier) return std::nullopt;
        return EchoKey{ReadU16(message, 6), source};
    }
    if (!StatusFromIcmp(message[0], message[1])) return std::nullopt;
    return KeyOfRawQuote(message.subspan(kIcmpHeaderSize), identifier);
}

}  // namespace

std::optional<EchoKey> KeyOfAnswer(std::span<const std::uint8_t> packet, SocketKind kind, std::uint16_t identifier,
                                   std::uint32_t source) {
    if (kind == SocketKind::Raw) return KeyOfRawAnswer(packet, identifier, source);
    if (packet.size() < kIcmpHeaderSize || packet[0] != kEchoReply) return std::nullopt;
    return EchoKey{ReadU16(packet, 6), source};
}

namespace {

// The one's-complement sum of the bytes as 16-bit words, not yet folded;
// an odd last byte is the high half of a word.
std::uint32_t WordSum(std::span<const std::uint8_t> bytes, std::uint32_t sum = 0) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) sum += ReadU16(bytes, i);
    if (bytes.size() % 2 != 0) sum += std::uint32_t(bytes.back()) << 8;
    return sum;
}

std::uint16_t FoldedComplement(std::uint32_t sum) {
    while (sum >> 16 != 0) sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

}  // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
    return FoldedComplement(WordSum(bytes));
}

std::array<std::uint8_t, kIcmpHeaderSize> EchoRequestHeader(std::uint16_t identifier, std::uint16_t sequence,
                                                            std::span<const std::uint8_t> payload) {
    std::array<std::uint8_t, kIcmpHeaderSize> header{};
    header[0] = kEchoRequest;
    header[4] = std::uint8_t(identifier >> 8);
    header[5] = std::uint8_t(identifier);
    header[6] = std::uint8_t(sequence >> 8);
    header[7] = std::uint8_t(sequence);
    // The header's length is even, so the payload's words line up after it.
    const std::uint16_t checksum = FoldedComplement(WordSum(payload, WordSum(header)));
    header[2] = std::uint8_t(checksum >> 8);
    header[3] = std::uint8_t(checksum);
    return header;
}

}  // namespace velmora::icmp
