#pragma once
// Classifies one received ICMPv6 message against the IPv6 echo request we
// have outstanding, as IcmpParser does for IPv4. Pure functions over bytes:
// no socket, no clock, so the tests and the fuzzer call them directly. Every
// index taken from the wire is checked against the received length first.
//
// Both socket kinds hand over the ICMPv6 message without its IPv6 header,
// and the kernel has checked its checksum; the reply's hop limit comes
// beside the message (IPV6_HOPLIMIT), never inside it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/IcmpParser.h"

namespace velmora::icmp6 {

using Address = std::array<std::uint8_t, 16>;
using icmp::SocketKind;
using icmp::Verdict;

struct EchoRequest {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    Address destination{};
};

struct Classification {
    Verdict verdict = Verdict::NotOurs;
    // EchoReply: where the echoed data lies in the message.
    std::size_t dataOffset = 0;
    std::size_t dataLength = 0;
    // Error: the IP status the error stands for (its sender is the datagram's source).
    std::int32_t status = 0;
};

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint8_t kEchoRequest = 128;
constexpr std::uint8_t kEchoReply = 129;

// `source` is the message's sender as the socket reported it.
Classification Classify(std::span<const std::uint8_t> message, SocketKind kind, const EchoRequest& request,
                        const Address& source);

// The IP status an ICMPv6 error type and code stand for; nothing for
// messages that are not an answer to an echo.
std::optional<std::int32_t> StatusFromIcmp6(std::uint8_t type, std::uint8_t code);

// The same for an error the kernel queued on a socket (sock_extended_err):
// only errors of ICMPv6 origin count.
std::optional<std::int32_t> StatusFromExtendedError(std::uint8_t origin, std::uint8_t type, std::uint8_t code);

// True when the quote a ping socket's error queue returns (our request's
// ICMPv6 header onward) is the echo request with our sequence. The kernel
// chose the identifier, so it is not compared.
bool QuotesOurPingRequest(std::span<const std::uint8_t> quote, std::uint16_t sequence);

// The 8-byte header of an echo request. Its checksum stays 0: the kernel
// fills it in for either socket kind, over the pseudo-header it alone knows.
std::array<std::uint8_t, kHeaderSize> EchoRequestHeader(std::uint16_t identifier, std::uint16_t sequence);

}  // namespace velmora::icmp6
