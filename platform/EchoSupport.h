#pragma once
// What the IPv4 echo (LinuxNetworkServices) and the IPv6 echo
// (LinuxIcmp6Echo) share: the clock, socket options, control messages, the
// status of a failed send, the request's identity, the receive buffer and the
// wait's slices.

#include <sys/socket.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <ctime>
#include <span>

namespace velmora::echo {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC on Linux

template <typename T>
bool SetOption(int fd, int level, int name, const T& value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Room for one int-valued control message: the TTL or hop limit a request carries.
struct IntControl {
    alignas(cmsghdr) unsigned char bytes[CMSG_SPACE(sizeof(int))] = {};
};

// Points the message's control part at the room and sets the value in it.
void PutControlInt(msghdr& message, IntControl& room, int level, int type, int value);

// The value of a received int-valued control message (the reply's TTL or hop limit).
std::optional<int> ControlInt(msghdr& message, int level, int type);

// What a ping socket's error-queue message says: the kernel's extended
// error and the address of the router that sent it.
template <typename SocketAddress>
struct ExtendedError {
    sock_extended_err error;
    SocketAddress offender;
};

// The extended errors of the level and type the message carries, in order,
// handed to visit until it returns true; true when one was taken.
template <typename SocketAddress, typename Visitor>
bool VisitExtendedErrors(msghdr& message, int level, int type, Visitor&& visit) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != level || c->cmsg_type != type ||
            c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err) + sizeof(SocketAddress))) {
            continue;
        }
        ExtendedError<SocketAddress> found;
        std::memcpy(&found.error, CMSG_DATA(c), sizeof found.error);
        std::memcpy(&found.offender, CMSG_DATA(c) + sizeof found.error, sizeof found.offender);
        if (visit(found)) return true;
    }
    return false;
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
