#include "engine/mdbPing.h"

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

namespace {

constexpr std::uint16_t kRequestedSocketsVersion = 0x0101;

// Splits dotted text into at most four parts; returns how many parts the text
// has (five means "more than four"). An empty text has no parts; an empty part
// between two dots still counts.
int SplitParts(std::string_view text, std::array<std::string, 4>& parts) {
    if (text.empty()) return 0;
    int count = 0;
    while (true) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (count == 4) return 5;
        parts[count++] = std::string(part);
        if (dot == std::string_view::npos) return count;
        text.remove_prefix(dot + 1);
    }
}

// The value of a decimal part modulo 256, or nothing when the part holds
// anything but digits. Only the low byte survives, so "300" reads as 44.
std::optional<std::uint8_t> OctetOfPart(const std::string& part) {
    unsigned value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') return std::nullopt;
        value = (value * 10 + unsigned(c - '0')) & 0xFF;
    }
    return std::uint8_t(value);
}

// Ping's answer: the round trip on success, else the negated status.
std::int32_t PingResult(std::uint32_t replies, const ReplyRecord& record) {
    return replies != 0 ? std::int32_t(record.reply.RoundTripTime) : -std::int32_t(record.reply.Status);
}

// An IPv6 answer in the IPv4 record the run reads; on success the hop limit
// stands for the TTL.
void CopyIpv6Answer(const ReplyRecord6& answer, std::uint32_t replies, ReplyRecord& record) {
    record.reply.Status = answer.reply.Status;
    if (replies == 0) return;
    record.reply.RoundTripTime = answer.reply.RoundTripTime;
    record.reply.RoundTripMicroseconds = answer.reply.RoundTripMicroseconds;
    record.reply.DataSize = answer.reply.DataSize;
    record.reply.Options.Ttl = answer.reply.HopLimit;
    record.data = answer.data;
}

}  // namespace

std::int32_t mdbPing::Ping(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                           const IP_OPTION_INFORMATION& requestOptions, std::uint8_t payloadByte,
                           std::int16_t dataSize, std::int32_t timeoutMs) const {
    const std::vector<std::uint8_t> payload(dataSize > 0 ? std::size_t(dataSize) : 0, payloadByte);
    const std::int32_t address = AddressToLong(targetText);
    if (address == -1) return -1;

    const std::uint32_t replies =
        net_.IcmpSendEcho(handle, std::uint32_t(address), payload.data(), std::uint16_t(payload.size()),
                          &requestOptions, &replyRecord, kReplyBufferSize, std::uint32_t(timeoutMs));
    return PingResult(replies, replyRecord);
}

void mdbPing::PingAsync(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                        const IP_OPTION_INFORMATION& requestOptions, std::uint8_t payloadByte, std::int16_t dataSize,
                        std::int32_t timeoutMs, std::function<void(std::int32_t)> done) const {
    const std::vector<std::uint8_t> payload(dataSize > 0 ? std::size_t(dataSize) : 0, payloadByte);
    const std::int32_t address = AddressToLong(targetText);
    if (address == -1) return done(-1);
    net_.IcmpSendEcho2(
        handle,
        [&replyRecord, done = std::move(done)](std::uint32_t replies) {
            done(PingResult(replies, replyRecord));
        },
        std::uint32_t(address), payload.data(), std::uint16_t(payload.size()), &requestOptions, &replyRecord,
        kReplyBufferSize, std::uint32_t(timeoutMs));
}

std::int32_t mdbPing::Ping6(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                            std::string& replier, const IP_OPTION_INFORMATION& requestOptions,
                            std::uint8_t payloadByte, std::int16_t dataSize, std::int32_t timeoutMs) const {
    const auto destination = net_.RtlIpv6StringToAddressEx(targetText);
    if (!destination) return -1;
    const std::vector<std::uint8_t> payload(dataSize > 0 ? std::size_t(dataSize) : 0, payloadByte);
    const auto answer = std::make_unique<ReplyRecord6>();
    const std::uint32_t replies =
        net_.Icmp6SendEcho2(handle, *destination, payload.data(), std::uint16_t(payload.size()), &requestOptions,
                            answer.get(), kReplyBuffer6Size, std::uint32_t(timeoutMs));
    CopyIpv6Answer(*answer, replies, replyRecord);
    replier = answer->reply.Address.sin6_addr == IPV6_ADDRESS_EX{}.sin6_addr
                  ? std::string()
                  : net_.RtlIpv6AddressToStringEx(answer->reply.Address);
    return PingResult(replies, replyRecord);
}

bool mdbPing::SocketsStartup() const {
    WSADATA data;
    if (net_.WSAStartup(kRequestedSocketsVersion, data) != 0) {
        ui_.MsgBox(kSocketsNotResponding, vbOKOnly);
        return false;
    }
    const int major = LoByte(data.wVersion);
    const int minor = HiByte(data.wVersion);
    std::string message;
    if (major < 1 || (major == 1 && minor < 1)) {
        message = "Windows Sockets Version " + std::to_string(major) + "." + std::to_string(minor) +
                  " is not supported by Windows Sockets for 32 bit Windows environments.";
    } else if (data.iMaxSockets >= 1) {
        return true;
    } else {
        message = "This application requires a minimum of 1 supported sockets.";
    }
    ui_.MsgBox(message, vbExclamation);
    return false;
}

bool mdbPing::SocketsCleanup() const {
    const int rc = net_.WSACleanup();
    if (rc == 0) return true;
    ui_.MsgBox("Windows Sockets error " + std::to_string(rc) + " occurred in Cleanup.", vbExclamation);
    return false;
}

std::string mdbPing::GetIpFromHostName(const std::string& hostName) const {
    if (const auto address = net_.gethostbyname(hostName)) {
        return BytesToAddress({OctetOf(*address, 0), OctetOf(*address, 1), OctetOf(*address, 2), OctetOf(*address, 3)});
    }
    const auto address6 = net_.gethostbyname6(hostName);
    return address6 ? net_.RtlIpv6AddressToStringEx(*address6) : std::string();
}

bool mdbPing::IsIpv6Address(std::string_view text) { return text.find(':') != std::string_view::npos; }

std::string mdbPing::GetStatusText(std::int32_t status) {
    static const std::map<std::int32_t, const char*> texts = {
        {-1, "Bad IP format"},
        {0, "IP success"},
        {3000, "ping timeout"},
        {11001, "IP buf too_small"},
        {11002, "IP dest net unreachable"},
        {11003, "IP dest host unreachable"},
        {11004, "IP dest prot unreachable"},
        {11005, "IP dest port unreachable"},
        {11006, "IP no resources"},
        {11007, "IP bad option"},
        {11008, "IP hw_error"},
        {11009, "IP packet too_big"},
        {11010, "IP req timed out"},
        {11011, "IP bad req"},
        {11012, "IP bad route"},
        {11013, "IP ttl expired transit"},
        {11014, "IP ttl expired reassem"},
        {11015, "IP param_problem"},
        {11016, "IP source quench"},
        {11017, "IP option too_big"},
        {11018, "IP bad destination"},
        {11019, "IP addr deleted"},
        {11020, "IP spec mtu change"},
        {11021, "IP mtu_change"},
        {11022, "IP unload"},
        {11023, "IP addr added"},
        {11024, "none resolved host name"},
        {11050, "IP general failure"},
        {11255, "IP pending"},
    };
    const auto it = texts.find(status);
    return it != texts.end() ? it->second : "Unknown  msg returned";
}

int mdbPing::LoByte(std::uint16_t value) { return value & 0xFF; }

int mdbPing::HiByte(std::uint16_t value) { return (value / 256) & 0xFF; }

std::int32_t mdbPing::AddressToLong(std::string_view text) {
    std::array<std::string, 4> parts;
    if (SplitParts(text, parts) != 4) return 0;
    std::array<std::uint8_t, 4> octets{};
    for (int i = 0; i < 4; ++i) {
        const auto octet = OctetOfPart(parts[i]);
        if (!octet) return 0;
        octets[i] = *octet;
    }
    return std::int32_t(AddressFromOctets(octets[0], octets[1], octets[2], octets[3]));
}

bool mdbPing::SplitAddress(std::string_view text, std::array<std::string, 4>& parts) {
    return SplitParts(text, parts) == 4;
}

std::string mdbPing::LongToAddress(std::int32_t address) {
    if (address == 0) return "invalid";
    const auto value = std::uint32_t(address);
    return BytesToAddress({OctetOf(value, 0), OctetOf(value, 1), OctetOf(value, 2), OctetOf(value, 3)});
}

std::string mdbPing::BytesToAddress(const std::array<std::uint8_t, 4>& bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

}  // namespace velmora
