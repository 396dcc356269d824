#pragma once
// The pieces of an echo that every way of sending one shares: the request's
// identifier and sequence, the send with its TTL, reading what the kernel
// hands back, and writing an answer into the caller's reply record. Used by
// the echo of one handle and by the sweep's shared socket alike.

#include <netinet/in.h>
#include <sys/socket.h>
#include <ctime>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/IcmpParser.h"
#include "platform/NetworkServices.h"

namespace velmora {

using EchoClock = std::chrono::steady_clock;  // CLOCK_MONOTONIC on Linux

// The socket behind a handle, and which kind it is.
struct EchoSocket {
    int fd;
    icmp::SocketKind kind;
};

// What an echo came to; `address` empty leaves the caller's field alone.
struct Answer {
    std::int32_t status = IP_REQ_TIMED_OUT;
    std::optional<std::uint32_t> address;
    std::uint32_t roundTripMs = 0;
    std::uint8_t ttl = 0;
    std::span<const std::uint8_t> data;  // in this thread's receive buffer
};

Answer MakeAnswer(std::int32_t status, std::optional<std::uint32_t> router = std::nullopt);

// Writes the answer into the caller's record, keeping every field it does not
// own; the data goes right behind the 28-byte record. Returns the reply count.
std::uint32_t WriteAnswer(void* buffer, std::uint32_t size, Answer answer);

// The next request to the destination. A raw socket sees every reply on the
// host, and sockets serve many echoes in turn: an identifier drawn for this
// process and a sequence no echo of it has had lately tell ours apart, so
// neither another program's reply nor a late one to an earlier echo is taken
// for another's. (A ping socket's identifier is the kernel's; the sequence
// does it there.)
icmp::EchoRequest NextEchoRequest(std::uint32_t destination);
// The identifier every request of this process carries.
std::uint16_t EchoIdentifier();

// Sends the request with the caller's payload and TTL; the answer already
// when it could not be sent.
std::optional<Answer> SendEchoRequest(EchoSocket socket, const icmp::EchoRequest& request,
                                      std::span<const std::uint8_t> payload, std::uint8_t ttl);

// How long one wait may last towards the deadline.
timespec WaitUntil(EchoClock::time_point deadline, EchoClock::time_point now);

// Room for the largest datagram, one per thread and never cleared: a receive
// writes only the bytes it reports, and only those are read.
std::span<std::uint8_t> ReceiveBuffer();

// The error a ping socket's error-queue message carries, from the router that sent it.
std::optional<Answer> ErrorFromControl(msghdr& message);

// The answer a packet Classify found ours stands for; its data lies in the packet.
Answer AnswerOfPacket(const icmp::Classification& found, std::span<const std::uint8_t> packet,
                      std::uint32_t source, EchoClock::duration roundTrip, msghdr& message);

std::uint32_t FromInAddr(in_addr address);

}  // namespace velmora
