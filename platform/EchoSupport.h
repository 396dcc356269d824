#pragma once
// What the IPv4 echo (LinuxNetworkServices) and the IPv6 echo
// (LinuxIcmp6Echo) share: the clock, socket options, the status of a failed
// send, the request's identity, the receive buffer and the wait's slices.

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <span>

namespace velmora::echo {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC on Linux

template <typename T>
bool SetOption(int fd, int level, int name, const T& value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// A send's errno as the status the platform answers with.
std::int32_t StatusFromSendErrno(int error);

struct Identity {
    std::uint16_t identifier;
    std::uint16_t sequence;
};

// A raw socket sees every reply on the host, and a socket serves many
// handles in turn: an identifier drawn for this process and a sequence no
// echo of it has had lately tell ours apart, so neither another program's
// reply nor a late one to an earlier echo is taken for this one's. (A ping
// socket's identifier is the kernel's; the sequence does it there.)
Identity NextIdentity();
// The identifier every request of this process carries.
std::uint16_t ProcessIdentifier();

// Room for the largest datagram, one per thread and never cleared: a receive
// writes only the bytes it reports, and only those are read.
std::span<std::uint8_t> ReceiveBuffer();

// Whole microseconds, saturating: a 32-bit count of them lasts 71 minutes.
std::uint32_t RoundTripMicroseconds(Clock::duration elapsed);
// Whole milliseconds of the same measure.
std::uint32_t RoundTripMilliseconds(Clock::duration elapsed);

// How long one wait may last towards the deadline.
timespec WaitUntil(Clock::time_point deadline, Clock::time_point now);

}  // namespace velmora::echo
