#include "platform/SweepSocket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>
#include <vector>

namespace velmora {

namespace {

// Reads of one wake before the deadlines are looked at again.
constexpr int kMostReadsAWake = 256;
// A send and the errors of up to two other echoes arriving just before it.
constexpr int kSendAttempts = 3;
// Room for the replies of a whole sweep's burst while the thread is late.
constexpr int kReceiveBufferBytes = 1 << 20;

}  // namespace

SweepSocket::SweepSocket(EchoSocket socket)
    : socket_(socket), identifier_(echo::ProcessIdentifier()), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0) {
        ::close(socket_.fd);
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    ::setsockopt(socket_.fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    try {
        thread_ = std::thread([this] { Serve(); });
    } catch (...) {
        ::close(wakeFd_);
        ::close(socket_.fd);
        throw;
    }
}

SweepSocket::~SweepSocket() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    ::close(wakeFd_);
    ::close(socket_.fd);
}

void SweepSocket::Send(std::uint32_t destination, std::span<const std::uint8_t> payload, std::uint8_t ttl,
                       std::uint32_t timeoutMs, void* replyBuffer, std::uint32_t replySize,
                       std::function<void(std::uint32_t)> completion) {
    icmp::EchoRequest request;
    bool earliest = false;
    {
        std::lock_guard lock(mutex_);
        request = FreshRequest(destination);
        const auto start = EchoClock::now();
        const auto deadline = start + std::chrono::milliseconds(timeoutMs);
        const Key key{request.sequence, destination};
        earliest = deadlines_.empty() || deadline < deadlines_.begin()->first;
        inFlight_.emplace(key, Echo{request, start, deadline, replyBuffer, replySize, std::move(completion)});
        deadlines_.emplace(deadline, key);
    }
    // Filed before it is sent: loopback answers within the send.
    if (earliest) Wake();
    if (const auto failure = SendUnlessRefused(request, payload, ttl)) {
        if (auto echo = Take({request.sequence, destination})) Finish(*echo, *failure);
    }
}

// An ICMP error for another echo of the socket is also its pending error,
// which fails the next send, whichever echo it is for, without sending it.
// That failure clears it, so a send refused for its own sake is refused again.
std::optional<Answer> SweepSocket::SendUnlessRefused(const icmp::EchoRequest& request,
                                                     std::span<const std::uint8_t> payload, std::uint8_t ttl) {
    std::optional<Answer> failure;
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        failure = SendEchoRequest(socket_, request, payload, ttl);
        if (!failure) break;
    }
    return failure;
}

// Called with mutex_ held. The sequence is the process's; a sweep of more
// than 65,536 echoes meets one in flight only if one waits that long.
icmp::EchoRequest SweepSocket::FreshRequest(std::uint32_t destination) const {
    icmp::EchoRequest request = NextEchoRequest(destination);
    while (inFlight_.contains({request.sequence, destination})) request = NextEchoRequest(destination);
    return request;
}

void SweepSocket::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void SweepSocket::Serve() {
    std::optional<EchoClock::time_point> earliest;
    while (NextDeadline(earliest)) {
        std::array<pollfd, 2> events{pollfd{wakeFd_, POLLIN, 0}, pollfd{socket_.fd, POLLIN, 0}};
        const timespec wait = earliest ? echo::WaitUntil(*earliest, EchoClock::now()) : timespec{};
        ::ppoll(events.data(), events.size(), earliest ? &wait : nullptr, nullptr);
        if ((events[0].revents & POLLIN) != 0) {
            std::uint64_t wakes = 0;
            [[maybe_unused]] const auto read = ::read(wakeFd_, &wakes, sizeof wakes);
        }
        if ((events[1].revents & POLLERR) != 0) ReadErrorQueue();
        // A pending socket error shows as POLLERR too; a receive clears it.
        if ((events[1].revents & (POLLIN | POLLERR)) != 0) ReadPackets();
        FinishDue(EchoClock::now());
    }
    FinishAll(MakeAnswer(IP_GENERAL_FAILURE));
}

bool SweepSocket::NextDeadline(std::optional<EchoClock::time_point>& earliest) {
    std::lock_guard lock(mutex_);
    if (deadlines_.empty()) {
        earliest.reset();
    } else {
        earliest = deadlines_.begin()->first;
    }
    return !stopping_;
}

// A raw socket takes its errors from the packets that quote the request, so
// its queue is only emptied; a ping socket's queue is where they are.
void SweepSocket::ReadErrorQueue() {
    const auto buffer = echo::ReceiveBuffer();
    for (int read = 0; read < kMostReadsAWake; ++read) {
        sockaddr_in quotedDestination{};
        alignas(cmsghdr) std::array<std::uint8_t, 512> control{};
        iovec data{buffer.data(), buffer.size()};
        msghdr message{&quotedDestination, sizeof quotedDestination, &data, 1, control.data(), control.size(), 0};
        const ssize_t length = ::recvmsg(socket_.fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (length < 0) return;
        if (socket_.kind == icmp::SocketKind::Raw) continue;
        const auto sequence = icmp::QuotedPingSequence({buffer.data(), std::size_t(length)});
        const auto error = ErrorFromControl(message);
        if (!sequence || !error) continue;
        if (auto echo = Take({*sequence, FromInAddr(quotedDestination.sin_addr)})) Finish(*echo, *error);
    }
}

void SweepSocket::ReadPackets() {
    const auto buffer = echo::ReceiveBuffer();
    for (int read = 0; read < kMostReadsAWake; ++read) {
        sockaddr_in from{};
        alignas(cmsghdr) std::array<std::uint8_t, 128> control{};
        iovec data{buffer.data(), buffer.size()};
        msghdr message{&from, sizeof from, &data, 1, control.data(), control.size(), 0};
        const ssize_t length = ::recvmsg(socket_.fd, &message, MSG_DONTWAIT);
        if (length < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // With IP_RECVERR a raw socket reports an ICMP error once as a failed
        // receive; the packet behind it is still queued.
        if (length < 0) continue;
        const auto received = EchoClock::now();
        const std::span<const std::uint8_t> packet(buffer.data(), std::size_t(length));
        const std::uint32_t source = FromInAddr(from.sin_addr);
        const auto key = icmp::KeyOfAnswer(packet, socket_.kind, identifier_, source);
        if (!key) continue;
        std::optional<Echo> echo;
        icmp::Classification found;
        {
            std::lock_guard lock(mutex_);
            const auto entry = inFlight_.find({key->sequence, key->destination});
            if (entry == inFlight_.end()) continue;
            found = icmp::Classify(packet, socket_.kind, entry->second.request, source);
            if (found.verdict == icmp::Verdict::NotOurs) continue;
            echo = TakeLocked(entry);
        }
        Finish(*echo, AnswerOfPacket(found, packet, source, received - echo->start, message));
    }
}

void SweepSocket::FinishDue(EchoClock::time_point now) {
    std::vector<Echo> due;
    {
        std::lock_guard lock(mutex_);
        while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
            due.push_back(TakeLocked(inFlight_.find(deadlines_.begin()->second)));
        }
    }
    for (Echo& echo : due) Finish(echo, MakeAnswer(IP_REQ_TIMED_OUT));
}

void SweepSocket::FinishAll(const Answer& answer) {
    std::map<Key, Echo> abandoned;
    {
        std::lock_guard lock(mutex_);
        abandoned.swap(inFlight_);
        deadlines_.clear();
    }
    for (auto& [key, echo] : abandoned) Finish(echo, answer);
}

std::optional<SweepSocket::Echo> SweepSocket::Take(const Key& key) {
    std::lock_guard lock(mutex_);
    const auto entry = inFlight_.find(key);
    if (entry == inFlight_.end()) return std::nullopt;
    return TakeLocked(entry);
}

// Called with mutex_ held.
SweepSocket::Echo SweepSocket::TakeLocked(std::map<Key, Echo>::iterator entry) {
    Echo echo = std::move(entry->second);
    deadlines_.erase({echo.deadline, entry->first});
    inFlight_.erase(entry);
    return echo;
}

void SweepSocket::Finish(Echo& echo, const Answer& answer) {
    const std::uint32_t replies = WriteAnswer(echo.replyBuffer, echo.replySize, answer);
    try {
        echo.completion(replies);
    } catch (...) {
        // The caller's failure must not end the wait for every other echo.
    }
}

}  // namespace velmora
