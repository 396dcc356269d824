// Feeds arbitrary bytes to the ICMP reply parser as either socket kind would
// hand them over. The first 13 bytes choose the kind, the outstanding request
// and the datagram's source; two flag bits fix the checksum and adopt the
// quoted request, so that mutations reach past the first checks.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/IcmpParser.h"

namespace {

std::uint16_t U16(const std::uint8_t* at) {
    return std::uint16_t(at[0] << 8 | at[1]);
}

std::uint32_t U32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

constexpr std::size_t kHeader = 13;

// The IHL of an IP header starting at `at`, or 0 when there is none.
std::size_t IpHeaderLength(const std::vector<std::uint8_t>& packet, std::size_t at) {
    const std::size_t length = at < packet.size() ? std::size_t(packet[at] & 0x0F) * 4 : 0;
    return length >= 20 ? length : 0;
}

// Stores a correct ICMP checksum behind the IP header, so mutations get past
// the checksum test to the quote checks behind it.
void FixChecksum(std::vector<std::uint8_t>& packet) {
    const std::size_t ipHeader = IpHeaderLength(packet, 0);
    if (ipHeader == 0 || packet.size() < ipHeader + 4) return;
    packet[ipHeader + 2] = 0;
    packet[ipHeader + 3] = 0;
    const std::uint16_t sum = velmora::icmp::InternetChecksum(std::span(packet).subspan(ipHeader));
    packet[ipHeader + 2] = std::uint8_t(sum >> 8);
    packet[ipHeader + 3] = std::uint8_t(sum);
}

// Makes the outstanding request the one an error's quote names, so mutations
// explore what lies past the match.
void AdoptQuotedRequest(const std::vector<std::uint8_t>& packet, velmora::icmp::EchoRequest& request) {
    const std::size_t quote = IpHeaderLength(packet, 0) + 8;
    const std::size_t inner = IpHeaderLength(packet, quote);
    if (quote == 8 || inner == 0 || packet.size() < quote + inner + 8) return;
    request.destination = U32(&packet[quote + 16]);
    request.identifier = U16(&packet[quote + inner + 4]);
    request.sequence = U16(&packet[quote + inner + 6]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::icmp;
    if (size < kHeader) return 0;
    const SocketKind kind = (data[0] & 1) != 0 ? SocketKind::Raw : SocketKind::Ping;
    EchoRequest request{U16(data + 1), U16(data + 3), U32(data + 5)};
    // An exact-size copy, so reading one byte too far is caught.
    std::vector<std::uint8_t> packet(data + kHeader, data + size);
    if ((data[0] & 2) != 0) FixChecksum(packet);
    if ((data[0] & 4) != 0) AdoptQuotedRequest(packet, request);

    const Classification found = Classify(packet, kind, request, U32(data + 9));
    if (found.verdict == Verdict::EchoReply && found.dataOffset + found.dataLength != packet.size()) __builtin_trap();
    if (found.verdict == Verdict::Error && (found.status < 11002 || found.status > 11016)) __builtin_trap();

    StatusFromExtendedError(std::uint8_t(data[0] >> 3), data[1], data[2]);
    QuotesOurPingRequest(packet, request.sequence);
    // As a sweep takes a packet: its key first, then Classify against the request the key names.
    if (const auto key = KeyOfAnswer(packet, kind, request.identifier, U32(data + 9))) {
        const EchoRequest named{request.identifier, key->sequence, key->destination};
        Classify(packet, kind, named, U32(data + 9));
    }
    QuotedPingSequence(packet);
    InternetChecksum(packet);
    return 0;
}
