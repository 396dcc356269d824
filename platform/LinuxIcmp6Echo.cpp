#include "platform/LinuxIcmp6Echo.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/EchoSupport.h"
#include "platform/Icmp6Parser.h"
#include "platform/NetRawCapability.h"

namespace velmora {

namespace {

using echo::Clock;
using echo::ReceiveBuffer;
using echo::SetOption;
using echo::WaitUntil;
using icmp::SocketKind;

// A raw socket sees every ICMPv6 message of the host (neighbour discovery
// included): keep only replies and the errors that may answer an echo. It
// reports no errors of its own without IPV6_RECVERR, and needs none: they
// arrive as messages that quote the request.
bool ConfigureEcho6Socket(int fd, SocketKind kind) {
    if (!SetOption(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, 1)) return false;
    if (kind == SocketKind::Ping) return SetOption(fd, IPPROTO_IPV6, IPV6_RECVERR, 1);
    icmp6_filter filter;
    ICMP6_FILTER_SETBLOCKALL(&filter);
    for (const int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                           ICMP6_PARAM_PROB}) {
        ICMP6_FILTER_SETPASS(type, &filter);
    }
    return SetOption(fd, IPPROTO_ICMPV6, ICMP6_FILTER, filter);
}

sockaddr_in6 ToSockaddr(const IPV6_ADDRESS_EX& address) {
    sockaddr_in6 socketAddress{};
    socketAddress.sin6_family = AF_INET6;
    std::memcpy(&socketAddress.sin6_addr, address.sin6_addr.data(), address.sin6_addr.size());
    socketAddress.sin6_scope_id = address.sin6_scope_id;
    return socketAddress;
}

IPV6_ADDRESS_EX FromSockaddr(const sockaddr_in6& socketAddress) {
    IPV6_ADDRESS_EX address;
    std::memcpy(address.sin6_addr.data(), &socketAddress.sin6_addr, address.sin6_addr.size());
    address.sin6_scope_id = socketAddress.sin6_scope_id;
    return address;
}

icmp6::Address AddressOf(const sockaddr_in6& socketAddress) {
    icmp6::Address bytes{};
    std::memcpy(bytes.data(), &socketAddress.sin6_addr, bytes.size());
    return bytes;
}

struct Answer {
    std::int32_t status = IP_REQ_TIMED_OUT;
    IPV6_ADDRESS_EX address;  // all zero: none named
    Clock::duration roundTrip{};
    std::uint8_t hopLimit = 0;
    std::span<const std::uint8_t> data;  // in this thread's receive buffer
};

Answer MakeAnswer(std::int32_t status) {
    Answer answer;
    answer.status = status;
    return answer;
}

std::uint32_t WriteAnswer(void* buffer, std::uint32_t size, Answer answer) {
    const std::size_t capacity = std::min(size, kReplyBuffer6Size) - sizeof(ICMPV6_ECHO_REPLY);
    if (answer.status == IP_SUCCESS && answer.data.size() > capacity) answer = MakeAnswer(IP_BUF_TOO_SMALL);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    ICMPV6_ECHO_REPLY record;
    record.Status = std::uint32_t(answer.status);
    record.Address = answer.address;
    const bool success = answer.status == IP_SUCCESS;
    if (success) {
        record.RoundTripMicroseconds = echo::RoundTripMicroseconds(answer.roundTrip);
        record.RoundTripTime = echo::RoundTripMilliseconds(answer.roundTrip);
        record.DataSize = std::int16_t(answer.data.size());
        record.HopLimit = answer.hopLimit;
        std::copy(answer.data.begin(), answer.data.end(), bytes + sizeof record);
    }
    std::memcpy(bytes, &record, sizeof record);
    return success ? 1 : 0;
}

// One ICMPv6 request and the wait for its answer.
class Echo6Exchange {
public:
    Echo6Exchange(int fd, SocketKind kind, const IPV6_ADDRESS_EX& destination)
        : fd_(fd), kind_(kind), to_(ToSockaddr(destination)), request_(MakeRequest(AddressOf(to_))) {}

    Answer Run(std::span<const std::uint8_t> payload, std::uint8_t hopLimit, std::uint32_t timeoutMs) {
        start_ = Clock::now();
        const auto deadline = start_ + std::chrono::milliseconds(timeoutMs);
        if (const auto failure = Send(payload, hopLimit)) return *failure;
        // Loopback answers within the send: look once before the deadline is.
        if (auto answer = ReadMessage()) return *answer;
        for (;;) {
            const auto now = Clock::now();
            if (now >= deadline) return MakeAnswer(IP_REQ_TIMED_OUT);
            const timespec wait = WaitUntil(deadline, now);
            pollfd ready{fd_, POLLIN, 0};
            const int count = ::ppoll(&ready, 1, &wait, nullptr);
            if (count < 0 && errno != EINTR) return MakeAnswer(IP_GENERAL_FAILURE);
            if (count <= 0) continue;
            if (auto answer = TakeEvents(ready.revents)) return *answer;
        }
    }

private:
    static icmp6::EchoRequest MakeRequest(const icmp6::Address& destination) {
        const echo::Identity identity = echo::NextIdentity();
        return {identity.identifier, identity.sequence, destination};
    }

    // The hop limit rides along as a control message; the kernel fills in
    // the checksum.
    std::optional<Answer> Send(std::span<const std::uint8_t> payload, std::uint8_t hopLimit) {
        auto header = icmp6::EchoRequestHeader(request_.identifier, request_.sequence);
        iovec pieces[2] = {{header.data(), header.size()},
                           {const_cast<std::uint8_t*>(payload.data()), payload.size()}};
        msghdr message{&to_, sizeof to_, pieces, 2, nullptr, 0, 0};
        echo::IntControl control;
        echo::PutControlInt(message, control, IPPROTO_IPV6, IPV6_HOPLIMIT, hopLimit);
        if (::sendmsg(fd_, &message, 0) < 0) return MakeAnswer(echo::StatusFromSendErrno(errno));
        return std::nullopt;
    }

    std::optional<Answer> TakeEvents(short events) {
        // POLLHUP: the handle was closed from another thread to abandon the echo.
        if ((events & (POLLNVAL | POLLHUP)) != 0) return MakeAnswer(IP_GENERAL_FAILURE);
        if ((events & POLLERR) != 0) {
            if (auto answer = DrainErrorQueue()) return answer;
        }
        if ((events & (POLLIN | POLLERR)) != 0) return ReadMessage();
        return std::nullopt;
    }

    // Only a ping socket queues errors (a raw one has IPV6_RECVERR off).
    std::optional<Answer> DrainErrorQueue() {
        const auto buffer = ReceiveBuffer();
        for (;;) {
            sockaddr_in6 quotedDestination{};
            alignas(cmsghdr) std::array<std::uint8_t, 512> control{};
            iovec data{buffer.data(), buffer.size()};
            msghdr message{&quotedDestination, sizeof quotedDestination, &data, 1, control.data(), control.size(), 0};
            const ssize_t length = ::recvmsg(fd_, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
            if (length < 0) return std::nullopt;
            const auto quote = std::span<const std::uint8_t>(buffer.data(), std::size_t(length));
            if (AddressOf(quotedDestination) != request_.destination ||
                !icmp6::QuotesOurPingRequest(quote, request_.sequence)) {
                continue;
            }
            if (auto answer = ErrorFromControl(message)) return answer;
        }
    }

    static std::optional<Answer> ErrorFromControl(msghdr& message) {
        std::optional<Answer> answer;
        echo::VisitExtendedErrors<sockaddr_in6>(message, IPPROTO_IPV6, IPV6_RECVERR, [&answer](const auto& found) {
            const auto status =
                icmp6::StatusFromExtendedError(found.error.ee_origin, found.error.ee_type, found.error.ee_code);
            if (!status) return false;
            answer = MakeAnswer(*status);
            if (found.offender.sin6_family == AF_INET6) answer->address = FromSockaddr(found.offender);
            return true;
        });
        return answer;
    }

    std::optional<Answer> ReadMessage() {
        const auto buffer = ReceiveBuffer();
        sockaddr_in6 from{};
        alignas(cmsghdr) std::array<std::uint8_t, 128> control{};
        iovec data{buffer.data(), buffer.size()};
        msghdr message{&from, sizeof from, &data, 1, control.data(), control.size(), 0};
        const ssize_t length = ::recvmsg(fd_, &message, MSG_DONTWAIT);
        if (length < 0) return std::nullopt;
        const auto received = Clock::now();

        const auto packet = std::span<const std::uint8_t>(buffer.data(), std::size_t(length));
        const auto found = icmp6::Classify(packet, kind_, request_, AddressOf(from));
        if (found.verdict == icmp::Verdict::NotOurs) return std::nullopt;
        Answer answer = MakeAnswer(found.verdict == icmp::Verdict::Error ? found.status : IP_SUCCESS);
        answer.address = FromSockaddr(from);
        if (found.verdict == icmp::Verdict::Error) return answer;
        answer.roundTrip = received - start_;
        answer.hopLimit = std::uint8_t(echo::ControlInt(message, IPPROTO_IPV6, IPV6_HOPLIMIT).value_or(0));
        answer.data = packet.subspan(found.dataOffset, found.dataLength);
        return answer;
    }

    const int fd_;
    const SocketKind kind_;
    sockaddr_in6 to_;
    const icmp6::EchoRequest request_;
    Clock::time_point start_;
};

}  // namespace

int OpenEcho6Socket(SocketKind kind) {
    const bool raw = kind == SocketKind::Raw;
    // A raw socket needs cap_net_raw: it is effective for this one call only.
    if (raw) RaiseNetRawCapability();
    const int fd = ::socket(AF_INET6, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC, IPPROTO_ICMPV6);
    const int error = errno;
    if (raw) LowerNetRawCapability();
    if (fd < 0) return -error;
    if (ConfigureEcho6Socket(fd, kind)) return fd;
    const int refused = errno;
    ::close(fd);
    return -refused;
}

std::uint32_t RunEcho6(int fd, SocketKind kind, const IPV6_ADDRESS_EX& destination,
                       std::span<const std::uint8_t> payload, std::uint8_t hopLimit, std::uint32_t timeoutMs,
                       void* replyBuffer, std::uint32_t replySize) {
    Echo6Exchange exchange(fd, kind, destination);
    return WriteAnswer(replyBuffer, replySize, exchange.Run(payload, hopLimit, timeoutMs));
}

std::uint32_t WriteEcho6Failure(void* replyBuffer, std::uint32_t replySize, std::int32_t status) {
    return WriteAnswer(replyBuffer, replySize, MakeAnswer(status));
}

std::optional<IPV6_ADDRESS_EX> LookUpIpv6(const std::string& name, bool numericOnly) {
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address
    hints.ai_flags = numericOnly ? AI_NUMERICHOST : 0;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, &::freeaddrinfo);
    sockaddr_in6 first{};
    std::memcpy(&first, found->ai_addr, std::min<std::size_t>(found->ai_addrlen, sizeof first));
    return FromSockaddr(first);
}

std::string Ipv6Text(const IPV6_ADDRESS_EX& address) {
    const sockaddr_in6 socketAddress = ToSockaddr(address);
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (::inet_ntop(AF_INET6, &socketAddress.sin6_addr, text.data(), text.size()) == nullptr) return {};
    if (address.sin6_scope_id == 0) return text.data();
    std::array<char, IF_NAMESIZE> zone{};
    const bool named = ::if_indextoname(address.sin6_scope_id, zone.data()) != nullptr;
    return std::string(text.data()) + '%' + (named ? std::string(zone.data()) : std::to_string(address.sin6_scope_id));
}

}  // namespace velmora
