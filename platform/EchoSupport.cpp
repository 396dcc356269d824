#include "platform/EchoSupport.h"

#include <sys/random.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <memory>

#include "platform/NetworkServices.h"

namespace velmora::echo {

void PutControlInt(msghdr& message, IntControl& room, int level, int type, int value) {
    message.msg_control = room.bytes;
    message.msg_controllen = sizeof room.bytes;
    cmsghdr* const control = CMSG_FIRSTHDR(&message);
    control->cmsg_level = level;
    control->cmsg_type = type;
    control->cmsg_len = CMSG_LEN(sizeof value);
    std::memcpy(CMSG_DATA(control), &value, sizeof value);
}

std::optional<int> ControlInt(msghdr& message, int level, int type) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == level && c->cmsg_type == type && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int value = 0;
            std::memcpy(&value, CMSG_DATA(c), sizeof value);
            return value;
        }
    }
    return std::nullopt;
}

namespace {

constexpr std::size_t kMaxDatagram = 65536;
// The kernel lets a wait of t overrun by about t/1000 for a normal task; no
// single wait is longer than this, so a timeout of any length overshoots by
// at most a tenth of a millisecond.
constexpr auto kLongestWait = std::chrono::milliseconds(100);

std::uint32_t RandomU32() {
    std::uint32_t value = 0;
    if (getrandom(&value, sizeof value, 0) != sizeof value) {
        value = std::uint32_t(Clock::now().time_since_epoch().count());
    }
    return value;
}

}  // namespace

std::int32_t StatusFromSendErrno(int error) {
    switch (error) {
        case EHOSTUNREACH: return IP_DEST_HOST_UNREACHABLE;
        case ENETUNREACH: return IP_DEST_NET_UNREACHABLE;
        case EMSGSIZE: return IP_PACKET_TOO_BIG;
        default: return IP_GENERAL_FAILURE;
    }
}

namespace {

std::uint32_t ProcessSeed() {
    static const std::uint32_t seed = RandomU32();
    return seed;
}

}  // namespace

std::uint16_t ProcessIdentifier() { return std::uint16_t(ProcessSeed()); }

Identity NextIdentity() {
    static std::atomic<std::uint16_t> sequence{std::uint16_t(ProcessSeed() >> 16)};
    return {ProcessIdentifier(), sequence.fetch_add(1, std::memory_order_relaxed)};
}

std::span<std::uint8_t> ReceiveBuffer() {
    thread_local const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kMaxDatagram]);
    return {buffer.get(), kMaxDatagram};
}

std::uint32_t RoundTripMicroseconds(Clock::duration elapsed) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    return std::uint32_t(std::clamp<std::int64_t>(us, 0, std::numeric_limits<std::uint32_t>::max()));
}

std::uint32_t RoundTripMilliseconds(Clock::duration elapsed) {
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

timespec WaitUntil(Clock::time_point deadline, Clock::time_point now) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::clamp<Clock::duration>(deadline - now, Clock::duration::zero(), kLongestWait));
    return timespec{time_t(left.count() / 1'000'000'000), long(left.count() % 1'000'000'000)};
}

}  // namespace velmora::echo
