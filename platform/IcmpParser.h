#pragma once
// Classifies one received ICMP packet against the echo request we have
// outstanding. Pure functions over bytes: no socket, no clock, so the tests
// and the fuzzer call them directly. Every index taken from the wire is
// checked against the received length before it is read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace velmora::icmp {

// A ping socket hands us the ICMP message; a raw socket the whole IP datagram.
enum class SocketKind { Ping, Raw };

struct EchoRequest {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::uint32_t destination = 0;  // network order, as in_addr.s_addr
};

enum class Verdict { NotOurs, EchoReply, Error };

struct Classification {
    Verdict verdict = Verdict::NotOurs;
    // EchoReply: where the echoed data lies in the packet.
    std::size_t dataOffset = 0;
    std::size_t dataLength = 0;
    // EchoReply on a raw socket: the TTL from the IP header.
    std::optional<std::uint8_t> ttl;
    // Error: the IP status and the router that sent it.
    std::int32_t status = 0;
    std::uint32_t router = 0;
};

constexpr std::size_t kIcmpHeaderSize = 8;
constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;

// `source` is the datagram's sender as the socket reported it.
Classification Classify(std::span<const std::uint8_t> packet, SocketKind kind, const EchoRequest& request,
                        std::uint32_t source);

// The IP status an ICMP error type and code stand for; nothing for types
// that are not an answer to an echo.
std::optional<std::int32_t> StatusFromIcmp(std::uint8_t type, std::uint8_t code);

// The same for an error the kernel queued on a socket (sock_extended_err):
// only errors of ICMP origin count.
std::optional<std::int32_t> StatusFromExtendedError(std::uint8_t origin, std::uint8_t type, std::uint8_t code);

// True when the quote a ping socket's error queue returns (our request's ICMP
// header onward) is the echo request with our sequence. The kernel chose the
// identifier, so it is not compared.
bool QuotesOurPingRequest(std::span<const std::uint8_t> quote, std::uint16_t sequence);

// The echo a packet answers or reports on, for a sweep to find among the
// echoes it has in flight before Classify checks the packet against it: the
// request's sequence and destination. On a raw socket the packet must carry
// `identifier`. Nothing when it is no echo reply or error of ours.
struct EchoKey {
    std::uint16_t sequence = 0;
    std::uint32_t destination = 0;
};
std::optional<EchoKey> KeyOfAnswer(std::span<const std::uint8_t> packet, SocketKind kind, std::uint16_t identifier,
                                   std::uint32_t source);

// The sequence of the echo request a ping socket's error-queue quote holds.
std::optional<std::uint16_t> QuotedPingSequence(std::span<const std::uint8_t> quote);

// RFC 1071 one's-complement sum, ready to store in the checksum field.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// The 8-byte header of an echo request carrying `payload`, its checksum
// taken over both, so the two can be sent as they lie without a copy.
std::array<std::uint8_t, kIcmpHeaderSize> EchoRequestHeader(std::uint16_t identifier, std::uint16_t sequence,
                                                            std::span<const std::uint8_t> payload);

}  // namespace velmora::icmp
