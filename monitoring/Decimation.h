#pragma once
// A series squeezed into pixel columns for drawing: whatever the number of
// echoes, a chart draws at most two points and a mark per column, so a long
// series repaints as fast as a short one. Each column keeps the smallest and
// largest round trip of its replies, the first and last (to join it to its
// neighbours), and how many echoes failed in it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "monitoring/EchoSeries.h"

namespace velmora {

struct EchoColumn {
    std::uint32_t replies = 0;
    std::uint32_t failures = 0;
    std::uint32_t minUs = 0;  // the round trips below: of the replies, when there are any
    std::uint32_t maxUs = 0;
    std::uint32_t firstUs = 0;
    std::uint32_t lastUs = 0;
};

// The echoes from fromUs (inclusive) to toUs (exclusive) in columns of equal
// time; an empty time span or no column gives no columns.
std::vector<EchoColumn> DecimateByTime(const EchoSeries& series, std::int64_t fromUs, std::int64_t toUs,
                                       std::size_t columns);

}  // namespace velmora
