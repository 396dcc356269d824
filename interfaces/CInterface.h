#pragma once
// The interface model: one CInterface per network interface, gathered in a
// CInterfaces collection that CIpHelper builds afresh from the platform's
// interface table on every read of Interfaces. The ARP table window looks up
// descriptions by index through it; the interface window shows one record.

#include <chrono>
#include <cstdint>
#include <string>

namespace velmora {

// A point in time; DateTime{} is the zero date: not known, shown as nothing.
using DateTime = std::chrono::system_clock::time_point;

// A plain record: each property is a field of its own, without checks.
// Counters, totals and the speed are unsigned 64-bit, as the kernel counts.
struct CInterface {
    std::string InterfaceName;
    std::uint32_t InterfaceIndex = 0;
    std::uint32_t InterfaceType = 0;
    std::uint64_t Speed = 0;
    std::string AdapterAddress;
    std::uint32_t AdminStatus = 0;
    std::uint32_t OperationalStatus = 0;
    DateTime LastChange{};
    std::uint64_t OctetsReceived = 0;
    std::uint64_t UnicastPacketsReceived = 0;
    std::uint32_t MaximumTransmissionUnit = 0;
    std::uint64_t NonunicastPacketsReceived = 0;
    std::uint64_t DiscardedIncomingPackets = 0;
    std::uint64_t IncomingErrors = 0;
    std::uint64_t UnknownProtocolPackets = 0;
    std::uint64_t OctetsSent = 0;
    std::uint64_t UnicastPacketsSent = 0;
    std::uint64_t NonunicastPacketsSent = 0;
    std::uint64_t DiscardedOutgoingPackets = 0;
    std::uint64_t OutgoingErrors = 0;
    std::uint64_t OutputQueueLength = 0;
    std::string InterfaceDescription;
};

}  // namespace velmora
