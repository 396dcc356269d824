#include "main_window/ResultLine.h"

#include <algorithm>

#include "engine/mdbPing.h"

namespace velmora {

namespace {

// Who the line names: an IPv6 echo's replier, else the record's address; a
// failure whose answer names nobody names the target.
std::string Replier(std::int32_t status, const ICMP_ECHO_REPLY& reply, const std::string& currentIp,
                    const std::string& ipv6Replier) {
    if (!ipv6Replier.empty()) return ipv6Replier;
    if (status != IP_SUCCESS && reply.Address == 0) return currentIp;
    return mdbPing::LongToAddress(std::int32_t(reply.Address));
}

}  // namespace

std::string ResultLine(std::int32_t status, const ICMP_ECHO_REPLY& reply, const std::string& currentIp,
                       bool dataIntact, const std::string& ipv6Replier) {
    std::string line = mdbPing::GetStatusText(status) + " from " + Replier(status, reply, currentIp, ipv6Replier);
    if (status != IP_SUCCESS) return line;
    line += "    RoundTripTime=" + std::to_string(reply.RoundTripTime) + "ms";
    line += dataIntact ? "    DataSize=" + std::to_string(reply.DataSize) + " bytes" : "    DataCorrupted";
    line += "    TTL=" + std::to_string(reply.Options.Ttl);
    return line;
}

bool EchoedDataIntact(const ReplyRecord& record, std::uint8_t payloadByte, int requestDataSize) {
    if (record.reply.DataSize != requestDataSize) return false;
    if (requestDataSize < 0 || std::size_t(requestDataSize) > record.data.size()) return false;
    return std::all_of(record.data.begin(), record.data.begin() + requestDataSize,
                       [payloadByte](std::uint8_t byte) { return byte == payloadByte; });
}

std::string PassNumberText(bool loop, double pingNum, std::int64_t passCount) {
    if (loop) return "    Loop #" + std::to_string(passCount + 1);
    if (pingNum > 1) return "    #" + std::to_string(passCount + 1);
    return {};
}

}  // namespace velmora
