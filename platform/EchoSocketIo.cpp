#include "platform/EchoSocketIo.h"

#include <arpa/inet.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>

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

std::uint8_t ReceivedTtl(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int ttl = 0;
            std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
            return std::uint8_t(ttl);
        }
    }
    return 0;
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
    alignas(cmsghdr) std::array<std::uint8_t, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{&to, sizeof to, pieces, 2, control.data(), control.size(), 0};
    cmsghdr* const ttlMessage = CMSG_FIRSTHDR(&message);
    ttlMessage->cmsg_level = IPPROTO_IP;
    ttlMessage->cmsg_type = IP_TTL;
    ttlMessage->cmsg_len = CMSG_LEN(sizeof(int));
    const int ttlValue = ttl;
    std::memcpy(CMSG_DATA(ttlMessage), &ttlValue, sizeof ttlValue);
    // sendmsg to an address, never connect: a connected raw socket moves
    // errors to the error queue.
    if (::sendmsg(socket.fd, &message, 0) < 0) return MakeAnswer(echo::StatusFromSendErrno(errno));
    return std::nullopt;
}

std::optional<Answer> ErrorFromControl(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR ||
            c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in))) {
            continue;
        }
        sock_extended_err error;
        sockaddr_in offender;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        std::memcpy(&offender, CMSG_DATA(c) + sizeof error, sizeof offender);
        const auto status = icmp::StatusFromExtendedError(error.ee_origin, error.ee_type, error.ee_code);
        if (!status) continue;
        Answer answer = MakeAnswer(*status);
        if (offender.sin_family == AF_INET) answer.address = FromInAddr(offender.sin_addr);
        return answer;
    }
    return std::nullopt;
}

Answer AnswerOfPacket(const icmp::Classification& found, std::span<const std::uint8_t> packet, std::uint32_t source,
                      EchoClock::duration roundTrip, msghdr& message) {
    if (found.verdict == icmp::Verdict::Error) return MakeAnswer(found.status, found.router);
    Answer reply = MakeAnswer(IP_SUCCESS, source);
    reply.roundTrip = roundTrip;
    reply.ttl = found.ttl ? *found.ttl : ReceivedTtl(message);
    reply.data = packet.subspan(found.dataOffset, found.dataLength);
    return reply;
}

}  // namespace velmora
