#pragma once
// Builders of the packets a socket hands the parser, written out byte by byte
// so the tests do not lean on the code under test.

#include <cstdint>
#include <vector>

#include "platform/NetworkServices.h"

namespace velmora::test {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t Checksum(const Bytes& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) sum += i % 2 == 0 ? bytes[i] << 8 : bytes[i];
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

inline void PutU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = std::uint8_t(value >> 8);
    bytes[at + 1] = std::uint8_t(value);
}

inline void PutAddress(Bytes& bytes, std::size_t at, std::uint32_t address) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = OctetOf(address, i);
}

// An ICMP message with a correct checksum; identifier and sequence fill the
// 4 bytes after the checksum (unused in an error, 0 there).
inline Bytes Icmp(std::uint8_t type, std::uint8_t code, std::uint16_t identifier, std::uint16_t sequence,
                  const Bytes& body) {
    Bytes message{type, code, 0, 0, 0, 0, 0, 0};
    PutU16(message, 4, identifier);
    PutU16(message, 6, sequence);
    message.insert(message.end(), body.begin(), body.end());
    PutU16(message, 2, Checksum(message));
    return message;
}

struct IpFields {
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
    std::uint8_t ttl = 64;
    std::uint8_t protocol = 1;
    std::size_t optionWords = 0;  // 32-bit words of IP options (NOPs)
};

// An IPv4 datagram around `payload`; the header checksum is left 0 since
// nothing here reads it.
inline Bytes Ip(const IpFields& fields, const Bytes& payload) {
    const std::size_t headerLength = 20 + 4 * fields.optionWords;
    Bytes packet(headerLength, 1);  // 1 is the NOP option
    packet[0] = std::uint8_t(0x40 | headerLength / 4);
    packet[1] = 0;
    PutU16(packet, 2, std::uint16_t(headerLength + payload.size()));
    PutU16(packet, 4, 0x1234);
    PutU16(packet, 6, 0);
    packet[8] = fields.ttl;
    packet[9] = fields.protocol;
    PutU16(packet, 10, 0);
    PutAddress(packet, 12, fields.source);
    PutAddress(packet, 16, fields.destination);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

inline Bytes Prefix(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
}

}  // namespace velmora::test
