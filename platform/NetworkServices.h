#pragma once
// The network services the rest of the program asks of the operating system.
// The operations keep the names, arguments and answers of the platform API the
// program was designed against, so the ping engine reads as its algorithm and a
// Windows implementation could forward to the real calls.
//
// Addresses are 32-bit values in network byte order: octet i of the dotted
// text (counted from the left) is byte i of the value counted from the lowest,
// whatever the host's byte order. Helpers below convert without memcpy tricks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// Echo status codes the platform answers with.
enum IpStatus : std::int32_t {
    IP_SUCCESS = 0,
    IP_BUF_TOO_SMALL = 11001,
    IP_DEST_NET_UNREACHABLE = 11002,
    IP_DEST_HOST_UNREACHABLE = 11003,
    IP_DEST_PROT_UNREACHABLE = 11004,
    IP_DEST_PORT_UNREACHABLE = 11005,
    IP_NO_RESOURCES = 11006,
    IP_PACKET_TOO_BIG = 11009,
    IP_REQ_TIMED_OUT = 11010,
    IP_BAD_ROUTE = 11012,
    IP_TTL_EXPIRED_TRANSIT = 11013,
    IP_TTL_EXPIRED_REASSEM = 11014,
    IP_PARAM_PROBLEM = 11015,
    IP_SOURCE_QUENCH = 11016,
    IP_GENERAL_FAILURE = 11050,
};

// Request options; only Ttl is ever set by the program. 8 bytes as in the
// platform's 32-bit layout (OptionsData is a 32-bit pointer there, always 0).
struct IP_OPTION_INFORMATION {
    std::uint8_t Ttl = 0;
    std::uint8_t Tos = 0;
    std::uint8_t Flags = 0;
    std::uint8_t OptionsSize = 0;
    std::uint32_t OptionsData = 0;
};
static_assert(sizeof(IP_OPTION_INFORMATION) == 8);

// The reply record at the start of the reply buffer, 28 bytes.
struct ICMP_ECHO_REPLY {
    std::uint32_t Address = 0;  // replier, network byte order
    std::uint32_t Status = 0;
    std::uint32_t RoundTripTime = 0;  // milliseconds
    std::int16_t DataSize = 0;
    std::uint16_t Reserved = 0;
    std::uint32_t Data = 0;  // the platform's data pointer; unused, data follows the record
    IP_OPTION_INFORMATION Options;
};
static_assert(sizeof(ICMP_ECHO_REPLY) == 28);

constexpr std::size_t kReplyDataCapacity = 1500;

// The reply buffer handed to IcmpSendEcho: the record, then the echoed data.
struct ReplyRecord {
    ICMP_ECHO_REPLY reply;
    std::array<std::uint8_t, kReplyDataCapacity> data{};
};
static_assert(sizeof(ReplyRecord) == 1528);
constexpr std::uint32_t kReplyBufferSize = sizeof(ReplyRecord);

struct WSADATA {
    std::uint16_t wVersion = 0;      // low byte major, high byte minor
    std::uint16_t wHighVersion = 0;
    std::int16_t iMaxSockets = 0;
    std::uint16_t iMaxUdpDg = 0;
};

using IcmpHandle = std::intptr_t;
constexpr IcmpHandle INVALID_HANDLE_VALUE = -1;

constexpr std::uint32_t AddressFromOctets(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return std::uint32_t(a) | std::uint32_t(b) << 8 | std::uint32_t(c) << 16 | std::uint32_t(d) << 24;
}

constexpr std::uint8_t OctetOf(std::uint32_t address, int index) {
    return std::uint8_t(address >> (8 * index));
}

class NetworkServices {
public:
    virtual ~NetworkServices() = default;

    // A handle for one echo. Never tested by the caller: an unusable handle
    // makes IcmpSendEcho answer with a failure status instead.
    virtual IcmpHandle IcmpCreateFile() = 0;

    // Sends one echo and waits for its answer or the timeout. Returns the
    // number of replies (0 on failure) and writes the reply record and the
    // echoed data into replyBuffer (replySize bytes, at most kReplyBufferSize
    // are used). Fields the platform does not write keep the caller's values.
    // Safe to call from any thread, several at once.
    virtual std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destinationAddress,
                                       const void* requestData, std::uint16_t requestSize,
                                       const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer,
                                       std::uint32_t replySize, std::uint32_t timeoutMs) = 0;

    virtual bool IcmpCloseHandle(IcmpHandle handle) = 0;

    // Plain-words advice on how to grant the right to send echoes, when the
    // last attempt to open an echo socket was refused for lack of it; else empty.
    virtual std::string IcmpPermissionAdvice() const = 0;

    virtual int WSAStartup(std::uint16_t versionRequested, WSADATA& data) = 0;
    virtual int WSACleanup() = 0;

    // First IPv4 address of the name, in network order; nothing when it does not resolve.
    virtual std::optional<std::uint32_t> gethostbyname(const std::string& name) = 0;

    virtual std::string inet_ntoa(std::uint32_t address) = 0;
};

}  // namespace velmora
