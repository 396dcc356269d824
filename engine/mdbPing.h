#pragma once
// The ping engine: one ICMP or ICMPv6 echo per call, the status texts, the sockets
// library's start-up and clean-up, name look-up and the address conversions.
// It keeps no state between calls. The caller opens and closes each echo's
// handle, so that it can close it from its own thread to abandon the echo.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

class mdbPing {
public:
    mdbPing(NetworkServices& net, UiServices& ui) : net_(net), ui_(ui) {}

    // Round-trip time on success, the negated status on failure, -1 when the
    // target does not convert (then nothing is sent and the record is untouched).
    std::int32_t Ping(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                      const IP_OPTION_INFORMATION& requestOptions, std::uint8_t payloadByte,
                      std::int16_t dataSize, std::int32_t timeoutMs) const;

    // Ping without the wait: done gets Ping's answer later, on a thread of
    // the platform's (or at once when nothing is sent). The record must live
    // until done runs.
    void PingAsync(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                   const IP_OPTION_INFORMATION& requestOptions, std::uint8_t payloadByte, std::int16_t dataSize,
                   std::int32_t timeoutMs, std::function<void(std::int32_t result)> done) const;

    // Ping over ICMPv6 to an IPv6 address text (with its zone, if any). The
    // answer goes into replyRecord as Ping writes it, the hop limit as its
    // TTL and its IPv4 Address left alone; the replier's text goes into
    // replier, "" when the answer names none. Returns as Ping does.
    std::int32_t Ping6(IcmpHandle handle, const std::string& targetText, ReplyRecord& replyRecord,
                       std::string& replier, const IP_OPTION_INFORMATION& requestOptions, std::uint8_t payloadByte,
                       std::int16_t dataSize, std::int32_t timeoutMs) const;

    bool SocketsStartup() const;
    bool SocketsCleanup() const;
    // Dotted text of the name's first IPv4 address; when it has none, the
    // text of its first IPv6 address (a literal as typed, zone kept); ""
    // when it has neither.
    std::string GetIpFromHostName(const std::string& hostName) const;
    // An address text for Ping6: IPv4 texts never hold a colon.
    static bool IsIpv6Address(std::string_view text);

    // Shown when the sockets library does not start; the run repeats it.
    static constexpr const char* kSocketsNotResponding =
        "Windows Sockets for 32 bit Windows environments is not successfully responding.";

    static std::string GetStatusText(std::int32_t status);

    static int LoByte(std::uint16_t value);
    static int HiByte(std::uint16_t value);

    // Dotted text to a network-order address; 0 unless exactly four parts.
    static std::int32_t AddressToLong(std::string_view text);
    // True only when the text has exactly four dot-separated parts.
    static bool SplitAddress(std::string_view text, std::array<std::string, 4>& parts);
    static std::string LongToAddress(std::int32_t address);
    static std::string BytesToAddress(const std::array<std::uint8_t, 4>& bytes);

private:
    NetworkServices& net_;
    UiServices& ui_;
};

}  // namespace velmora
