#include "platform/EchoSocketIo.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace velmora {

namespace {

in_addr ToInAddr(std::uint32_t address) {
    const std::uint32_t hostOrder = std::uint32_t(OctetOf(address, 0)) << 24 | std::uint32_t(OctetOf(address, 1)) << 16 |
                                    std::uint32_t(OctetOf(address, 2)) << 8 | OctetOf(address, 3);
    return in_addr{htonl(hostOrder)};
}

}  // namespace

std::uint32_t FromInAddr(in_addr address) {
    const std::uint32_t hostOrder = ntohl(address.s_addr);
    return AddressFromOctets(std::uint8_t(hostOrder >> 24), std::uint8_t(hostOrder >> 16),
                             std::uint8_t(hostOrder >> 8), std::uint8_t(hostOrder));
}

Answer MakeAnswer(std::int32_t status, std::optional<std::uint32_t> router) {
    Answer answer;
    answer.status = status;
    answer.address = router;
    return answer;
}

std::uint32_t WriteAnswer(void* buffer, std::uint32_t size, Answer answer) {
    const std::size_t capacity = std::min(size, kReplyBufferSize) - sizeof(ICMP_ECHO_REPLY);
    if (answer.status == IP_SUCCESS && answer.data.size() > capacity) answer = MakeAnswer(IP_BUF_TOO_SMALL);

    auto* bytes = static_cast<std::uint8_t*>(buffer);
    ICMP_ECHO_REPLY record;
    std::memcpy(&record, bytes, sizeof record);
    record.Status = std::uint32_t(answer.status);
    if (answer.address) record.Address = *answer.address;
    const bool success = answer.status == IP_SUCCESS;
    if (success) {
        record.RoundTripMicroseconds = echo::RoundTripMicroseconds(answer.roundTrip);
        record.RoundTripTime = echo::RoundTripMilliseconds(answer.roundTrip);
        record.DataSize = std::int16_t(answer.data.size());
        record.Options.Ttl = answer.ttl;
        std::copy(answer.data.begin(), answer.data.end(), bytes + sizeof record);
    }
    std::memcpy(bytes, &record, sizeof record);
    return success ? 1 : 0;
}

icmp::EchoRequest NextEchoRequest(std::uint32_t destination) {
    const echo::Identity identity = echo::NextIdentity();
    return {identity.identifier, identity.sequence, destination};
}

// The header and the caller's payload go out as two pieces, and the TTL
// rides along as a control message (a TTL outside 1..255 fails the send).
std::optional<Answer> SendEchoRequest(EchoSocket socket, const icmp::EchoRequest& request,
                                      std::span<const std::uint8_t> payload, std::uint8_t ttl) {
    auto header = icmp::EchoRequestHeader(request.identifier, request.sequence, payload);
    iovec pieces[2] = {{header.data(), header.size()}, {const_cast<std::uint8_t*>(payload.data()), payload.size()}};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = ToInAddr(request.destination);
    msghdr message{&to, sizeof to, pieces, 2, nullptr, 0, 0};
    echo::IntControl control;
    echo::PutControlInt(message, control, IPPROTO_IP, IP_TTL, ttl);
    // sendmsg to an address, never connect: a connected raw socket moves
    // errors to the error queue.
    if (::sendmsg(socket.fd, &message, 0) < 0) return MakeAnswer(echo::StatusFromSendErrno(errno));
    return std::nullopt;
}

std::optional<Answer> ErrorFromControl(msghdr& message) {
    std::optional<Answer> answer;
    echo::VisitExtendedErrors<sockaddr_in>(message, IPPROTO_IP, IP_RECVERR, [&answer](const auto& found) {
        const auto status =
            icmp::StatusFromExtendedError(found.error.ee_origin, found.error.ee_type, found.error.ee_code);
        if (!status) return false;
        answer = MakeAnswer(*status);
        if (found.offender.sin_family == AF_INET) answer->address = FromInAddr(found.offender.sin_addr);
        return true;
    });
    return answer;
}

Answer AnswerOfPacket(const icmp::Classification& found, std::span<const std::uint8_t> packet, std::uint32_t source,
                      EchoClock::duration roundTrip, msghdr& message) {
    if (found.verdict == icmp::Verdict::Error) return MakeAnswer(found.status, found.router);
    Answer reply = MakeAnswer(IP_SUCCESS, source);
    reply.roundTrip = roundTrip;
    reply.ttl = found.ttl ? *found.ttl : std::uint8_t(echo::ControlInt(message, IPPROTO_IP, IP_TTL).value_or(0));
    reply.data = packet.subspan(found.dataOffset, found.dataLength);
    return reply;
}

}  // namespace velmora
