#pragma once
// The octet walk of one pass: from the start address to the stop address,
// octet by octet. The range is a box of octets, not a span of 32-bit numbers:
// a higher octet steps only when every lower one has reached its stop value,
// and the lower octets keep their values when it does.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

using Octets = std::array<std::uint8_t, 4>;

class RangeWalk {
public:
    // Starts a pass at startIp; the walk then holds the current address.
    void Load(const Octets& startIp, const Octets& stopIp);

    // Every stop octet is at or above its current octet.
    bool CheckForMoreIp() const;
    // The current address is the stop address.
    bool CheckLastIp() const;
    // Steps to the next address, or past the stop address when it is the current one.
    void NextIp();

    // The current address as dotted text without leading zeros.
    std::string CurrentText() const;

private:
    Octets startIp_{};
    Octets stopIp_{};
    // Set by the step past a stop address whose last octet is 255: no octet
    // can hold 256, and the walk must not wrap to .0.
    bool pastStop_ = false;
};

}  // namespace velmora
