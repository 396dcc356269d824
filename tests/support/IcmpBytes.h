#pragma once
// ICMP messages and the bytes around them as the packet tests write them out
// by hand, so that no test leans on the code under test to build its input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::test {

using Bytes = std::vector<std::uint8_t>;

// The Internet checksum: 0 over a message that carries its own.
inline std::uint16_t Checksum(const Bytes& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) sum += i % 2 == 0 ? bytes[i] << 8 : bytes[i];
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

inline void PutU16(Bytes& bytes, std::size_t at, std::size_t value) {
    bytes[at] = std::uint8_t(value >> 8);
    bytes[at + 1] = std::uint8_t(value);
}

// Identifier and sequence fill the 4 bytes after the checksum (0 in an error).
// The checksum is left 0 unless asked for: ICMPv6's is the kernel's to fill.
inline Bytes IcmpMessage(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Bytes& body,
                         bool withChecksum = true) {
    Bytes message{type, code, 0, 0, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(seq >> 8), std::uint8_t(seq)};
    message.resize(8 + body.size());
    std::copy(body.begin(), body.end(), message.begin() + 8);
    if (withChecksum) PutU16(message, 2, Checksum(message));
    return message;
}

inline Bytes Prefix(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
}

inline Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

// The echoed data of a reply record, as long as the reply says and the record holds.
template <typename Record>
Bytes EchoedData(const Record& record) {
    const auto size = std::clamp<std::ptrdiff_t>(record.reply.DataSize, 0, std::ptrdiff_t(record.data.size()));
    return Bytes(record.data.begin(), record.data.begin() + size);
}

}  // namespace velmora::test
