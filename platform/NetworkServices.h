#pragma once
// The network services the rest of the program asks of the operating system.
// The operations model the Windows IP helper, ICMP and sockets API: its names,
// arguments and answers, so the ping engine reads as its algorithm and a
// Windows implementation could forward to the real calls.
//
// Addresses are 32-bit values in network byte order: octet i of the dotted
// text (counted from the left) is byte i of the value counted from the lowest,
// whatever the host's byte order. Helpers below convert without memcpy tricks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    IP_BAD_DESTINATION = 11018,
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
    // The round trip in microseconds from the same monotonic clock, saturating
    // at 2^32 - 1 (71 minutes); RoundTripTime is its whole milliseconds. It sits
    // where the platform's layout keeps a data pointer, which carries nothing
    // here because the data always follows the record.
    std::uint32_t RoundTripMicroseconds = 0;
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

// An IPv6 address with its zone, as the platform's IPv6 echo records carry it.
struct IPV6_ADDRESS_EX {
    std::uint16_t sin6_port = 0;
    std::uint32_t sin6_flowinfo = 0;
    std::array<std::uint8_t, 16> sin6_addr{};  // network order
    std::uint32_t sin6_scope_id = 0;           // the interface of a link-local address; 0 when none
};

// The reply record of an IPv6 echo. The platform's stops after RoundTripTime
// and does not report the reply's hop limit; this one also carries the
// echoed data's size and the hop limit, as the IPv4 record carries its TTL.
struct ICMPV6_ECHO_REPLY {
    IPV6_ADDRESS_EX Address;  // replier; all zero when the answer names none
    std::uint32_t Status = 0;
    std::uint32_t RoundTripTime = 0;  // milliseconds
    std::uint32_t RoundTripMicroseconds = 0;  // the same measure, to the microsecond
    std::int16_t DataSize = 0;
    std::uint8_t HopLimit = 0;
};

// The reply buffer handed to Icmp6SendEcho2: the record, then the echoed data.
struct ReplyRecord6 {
    ICMPV6_ECHO_REPLY reply;
    std::array<std::uint8_t, kReplyDataCapacity> data{};
};
constexpr std::uint32_t kReplyBuffer6Size = sizeof(ReplyRecord6);

struct WSADATA {
    std::uint16_t wVersion = 0;      // low byte major, high byte minor
    std::uint16_t wHighVersion = 0;
    std::int16_t iMaxSockets = 0;
    std::uint16_t iMaxUdpDg = 0;
};

// Answers of the table and delete operations, with the platform's values.
enum IpHelperResult : std::uint32_t {
    NO_ERROR = 0,
    ERROR_ACCESS_DENIED = 5,
    ERROR_GEN_FAILURE = 31,
    ERROR_NOT_SUPPORTED = 50,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_NOT_FOUND = 1168,
};

constexpr std::size_t MAXLEN_PHYSADDR = 8;
constexpr std::size_t MAX_INTERFACE_NAME_LEN = 256;
constexpr std::size_t MAXLEN_IFDESCR = 256;

// ARP entry types.
enum IpNetType : std::uint32_t {
    MIB_IPNET_TYPE_OTHER = 1,
    MIB_IPNET_TYPE_INVALID = 2,
    MIB_IPNET_TYPE_DYNAMIC = 3,
    MIB_IPNET_TYPE_STATIC = 4,
};

// One ARP entry, 24 bytes as the platform lays it out.
struct MIB_IPNETROW {
    std::uint32_t dwIndex = 0;        // interface index
    std::uint32_t dwPhysAddrLen = 0;  // valid bytes of bPhysAddr
    std::array<std::uint8_t, MAXLEN_PHYSADDR> bPhysAddr{};
    std::uint32_t dwAddr = 0;  // IPv4 address, network byte order
    std::uint32_t dwType = 0;  // IpNetType
};
static_assert(sizeof(MIB_IPNETROW) == 24);

// One interface. The counters and the speed are the kernel's 64-bit values:
// a 32-bit cut would turn 2 GiB of traffic or a 10 Gb/s link into nonsense.
// Unlike the platform's 860-byte record, this one is read as a whole record
// (sizeof) wherever the platform's was.
struct MIB_IFROW {
    std::array<char16_t, MAX_INTERFACE_NAME_LEN> wszName{};  // the kernel's name, zero-terminated unless full
    std::uint32_t dwIndex = 0;
    std::uint32_t dwType = 0;  // interface type code: 6 ethernet, 71 wireless, 24 loopback, ...
    std::uint32_t dwMtu = 0;
    std::uint64_t dwSpeed = 0;  // bit/s; 0 when unknown
    std::uint32_t dwPhysAddrLen = 0;
    std::array<std::uint8_t, MAXLEN_PHYSADDR> bPhysAddr{};
    std::uint32_t dwAdminStatus = 0;  // 1 up, 2 down, 3 testing
    std::uint32_t dwOperStatus = 0;   // 0 non operational .. 5 operational
    // Milliseconds since 1970-01-01 UTC of the last operational change this
    // process saw; 0 when it has seen none (the kernel keeps no such time).
    std::int64_t dwLastChange = 0;
    std::uint64_t dwInOctets = 0;
    std::uint64_t dwInUcastPkts = 0;
    std::uint64_t dwInNUcastPkts = 0;
    std::uint64_t dwInDiscards = 0;
    std::uint64_t dwInErrors = 0;
    std::uint64_t dwInUnknownProtos = 0;
    std::uint64_t dwOutOctets = 0;
    std::uint64_t dwOutUcastPkts = 0;
    std::uint64_t dwOutNUcastPkts = 0;
    std::uint64_t dwOutDiscards = 0;
    std::uint64_t dwOutErrors = 0;
    std::uint64_t dwOutQLen = 0;
    std::uint32_t dwDescrLen = 0;  // valid bytes of bDescr (UTF-8)
    std::array<std::uint8_t, MAXLEN_IFDESCR> bDescr{};
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

    // A handle for a whole sweep: echoes sent on it with IcmpSendEcho2 go
    // through one socket, any number in flight at once, each answer matched
    // to its own echo. Closing it abandons every echo still in flight at
    // once (each completes with a failure status). IcmpSendEcho refuses it.
    virtual IcmpHandle IcmpCreateSweepFile() = 0;

    // Sends one echo and waits for its answer or the timeout. Returns the
    // number of replies (0 on failure) and writes the reply record and the
    // echoed data into replyBuffer (replySize bytes, at most kReplyBufferSize
    // are used). Fields the platform does not write keep the caller's values.
    // Safe to call from any thread, several at once.
    virtual std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destinationAddress,
                                       const void* requestData, std::uint16_t requestSize,
                                       const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer,
                                       std::uint32_t replySize, std::uint32_t timeoutMs) = 0;

    // Sends one echo and returns without waiting, as IcmpSendEcho2 does with
    // a completion routine: the answer goes into replyBuffer as IcmpSendEcho
    // writes it, then completion runs once with the reply count, on a thread
    // of the platform's (or within this call when nothing could be sent).
    // requestData and requestOptions are read before the call returns; replyBuffer must stay
    // valid until completion runs. Any number may be in flight at once, on
    // one handle each; the platform does not add a thread for each.
    virtual void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t replies)> completion,
                               std::uint32_t destinationAddress, const void* requestData, std::uint16_t requestSize,
                               const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) = 0;

    // Closed from another thread while its echo waits, the handle abandons
    // that echo: the wait ends at once with a failure status (an
    // asynchronous echo still completes, with that failure).
    virtual bool IcmpCloseHandle(IcmpHandle handle) = 0;

    // Plain-words advice on how to grant the right to send echoes, when the
    // last attempt to open an echo socket was refused for lack of it; else empty.
    virtual std::string IcmpPermissionAdvice() const = 0;

    // The IPv6 echo. An implementation without IPv6 answers as a host
    // without it: no IPv6 address for any name, no ICMPv6 handle.

    // A handle for one IPv6 echo, closed by IcmpCloseHandle as the IPv4 ones.
    virtual IcmpHandle Icmp6CreateFile() { return INVALID_HANDLE_VALUE; }

    // Sends one ICMPv6 echo and waits for its answer or the timeout, as the
    // platform's Icmp6SendEcho2 does without an event or completion routine.
    // requestOptions->Ttl is the hop limit. Writes a ReplyRecord6 into
    // replyBuffer (at most kReplyBuffer6Size bytes) and returns the number of
    // replies, as IcmpSendEcho does for IPv4.
    virtual std::uint32_t Icmp6SendEcho2(IcmpHandle, const IPV6_ADDRESS_EX&, const void*, std::uint16_t,
                                         const IP_OPTION_INFORMATION*, void* replyBuffer, std::uint32_t replySize,
                                         std::uint32_t) {
        if (replyBuffer == nullptr || replySize < sizeof(ICMPV6_ECHO_REPLY)) return 0;
        static_cast<ICMPV6_ECHO_REPLY*>(replyBuffer)->Status = IP_GENERAL_FAILURE;
        return 0;
    }

    // The name's first IPv6 address; a literal (with its zone, fe80::1%eth0)
    // as written. Nothing when it has none.
    virtual std::optional<IPV6_ADDRESS_EX> gethostbyname6(const std::string&) { return std::nullopt; }

    // Text to address and back, as the platform's RtlIpv6StringToAddressEx
    // and RtlIpv6AddressToStringEx: compressed form, "%zone" when scoped.
    virtual std::optional<IPV6_ADDRESS_EX> RtlIpv6StringToAddressEx(const std::string&) { return std::nullopt; }
    virtual std::string RtlIpv6AddressToStringEx(const IPV6_ADDRESS_EX&) { return {}; }

    virtual int WSAStartup(std::uint16_t versionRequested, WSADATA& data) = 0;
    virtual int WSACleanup() = 0;

    // First IPv4 address of the name, in network order; nothing when it does not resolve.
    virtual std::optional<std::uint32_t> gethostbyname(const std::string& name) = 0;

    virtual std::string inet_ntoa(std::uint32_t address) = 0;

    // The table operations size their answer in two calls: with too small a
    // buffer (or none) they answer ERROR_INSUFFICIENT_BUFFER and write the
    // bytes needed into size; with enough they fill the buffer and answer
    // NO_ERROR. A table is a 32-bit entry count followed by the records.

    // The IPv4 ARP table (MIB_IPNETROW records), in address order when sort is true.
    virtual std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool sort) = 0;

    // Deletes the entry of row's dwIndex and dwAddr: NO_ERROR, ERROR_ACCESS_DENIED
    // without the right to, ERROR_NOT_FOUND when there is no such entry.
    virtual std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row) = 0;

    // Every interface (MIB_IFROW records); ERROR_NOT_SUPPORTED when the
    // service is missing.
    virtual std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool sort) = 0;
};

// Writes a table of records into a caller's buffer by the two-call rule.
template <typename Row>
std::uint32_t AnswerTable(const std::vector<Row>& rows, void* table, std::uint32_t& size) {
    const std::size_t needed = sizeof(std::uint32_t) + rows.size() * sizeof(Row);
    if (table == nullptr || size < needed) {
        size = std::uint32_t(needed);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    auto* bytes = static_cast<std::uint8_t*>(table);
    const auto count = std::uint32_t(rows.size());
    std::memcpy(bytes, &count, sizeof count);
    if (!rows.empty()) std::memcpy(bytes + sizeof count, rows.data(), rows.size() * sizeof(Row));
    size = std::uint32_t(needed);
    return NO_ERROR;
}

}  // namespace velmora
