#pragma once
// One echo of a run as the monitoring views, exports and alerts see it: what
// its result line says, with the round trip to the microsecond and the time
// the slot began.

#include <cstdint>
#include <string>

#include "platform/NetworkServices.h"

namespace velmora {

// An echo without its names: what a series keeps for each of its echoes.
struct EchoSample {
    std::int64_t timeUs = 0;  // wall clock as the slot began, microseconds since 1970 UTC
    std::int64_t pass = 0;    // the run's pass, counted from 0
    std::int32_t status = IP_SUCCESS;
    // The rest is the reply's, on success only (else 0 and false).
    std::uint32_t roundTripUs = 0;
    std::uint8_t ttl = 0;
    int dataSize = 0;         // echoed bytes
    bool dataIntact = false;  // the echo carried the payload back unchanged

    bool Replied() const { return status == IP_SUCCESS; }
    // The line's RoundTripTime: the whole milliseconds of the same measure.
    std::uint32_t RoundTripMs() const { return roundTripUs / 1000; }
};

struct EchoRecord {
    EchoSample sample;
    std::string address;   // the target's dotted text ("" when a name did not resolve)
    std::string hostName;  // the name as typed, in host name mode; else ""
};

// The status text the echo's line begins with ("IP success", "IP req timed out", ...).
std::string StatusText(const EchoSample& sample);

}  // namespace velmora
