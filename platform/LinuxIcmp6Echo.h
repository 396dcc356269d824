#pragma once
// The ICMPv6 echo over the Linux kernel, beside the IPv4 one of
// LinuxNetworkServices: the unprivileged ping socket (SOCK_DGRAM,
// IPPROTO_ICMPV6; net.ipv4.ping_group_range governs it too) or a raw socket,
// one request and the wait for its answer, and the IPv6 address texts.
// LinuxNetworkServices owns the sockets and their handles.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/IcmpParser.h"
#include "platform/NetworkServices.h"

namespace velmora {

// A configured ICMPv6 socket descriptor, or minus the errno that refused it.
int OpenEcho6Socket(icmp::SocketKind kind);

// One echo on a socket the caller owns: sends, waits for the answer or the
// deadline, writes the answer into replyBuffer as Icmp6SendEcho2 describes
// and returns the number of replies. Closing the socket's reading side from
// another thread (shutdown) ends the wait with a general failure.
std::uint32_t RunEcho6(int fd, icmp::SocketKind kind, const IPV6_ADDRESS_EX& destination,
                       std::span<const std::uint8_t> payload, std::uint8_t hopLimit, std::uint32_t timeoutMs,
                       void* replyBuffer, std::uint32_t replySize);

// Writes a status-only answer (a request refused before it is sent).
std::uint32_t WriteEcho6Failure(void* replyBuffer, std::uint32_t replySize, std::int32_t status);

// The first IPv6 address getaddrinfo gives for the name; a literal's zone
// becomes its scope id.
std::optional<IPV6_ADDRESS_EX> LookUpIpv6(const std::string& name, bool numericOnly);

// Compressed text, followed by "%" and the interface's name (or number) when scoped.
std::string Ipv6Text(const IPV6_ADDRESS_EX& address);

}  // namespace velmora
