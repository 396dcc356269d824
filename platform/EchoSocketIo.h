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

#include "platform/EchoSupport.h"
#include "platform/IcmpParser.h"
#include "platform/NetworkServices.h"

namespace velmora {

using EchoClock = echo::Clock;

// The socket behind a handle, which kind it is and whether it speaks ICMPv6.
struct EchoSocket {
    int fd;
    icmp::SocketKind kind;
    bool ipv6 = false;
};

// What an echo came to; `address` empty leaves the caller's field alone.
struct Answer {
    std::int32_t status = IP_REQ_TIMED_OUT;
    std::optional<std::uint32_t> address;
    EchoClock::duration roundTrip{};
    std::uint8_t ttl = 0;
    std::span<const std::uint8_t> data;  // in this thread's receive buffer
};

Answer MakeAnswer(std::int32_t status, std::optional<std::uint32_t> router = std::nullopt);

// Writes the answer into the caller's record, keeping every field it does not
// own; the data goes right behind the 28-byte record. Returns the reply count.
std::uint32_t WriteAnswer(void* buffer, std::uint32_t size, Answer answer);

// The next request to the destination, with the process's identifier and
// the next sequence (echo::NextIdentity).
icmp::EchoRequest NextEchoRequest(std::uint32_t destination);

// Sends the request with the caller's payload and TTL; the answer already
// when it could not be sent.
std::optional<Answer> SendEchoRequest(EchoSocket socket, const icmp::EchoRequest& request,
                                      std::span<const std::uint8_t> payload, std::uint8_t ttl);

// The error a ping socket's error-queue message carries, from the router that sent it.
std::optional<Answer> ErrorFromControl(msghdr& message);

// The answer a packet Classify found ours stands for; its data lies in the packet.
Answer AnswerOfPacket(const icmp::Classification& found, std::span<const std::uint8_t> packet,
                      std::uint32_t source, EchoClock::duration roundTrip, msghdr& message);

std::uint32_t FromInAddr(in_addr address);

}  // namespace velmora
