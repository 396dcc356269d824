#pragma once
// The figures of one address's echoes: sent, received, loss, and the round
// trips of the replies (minimum, average, maximum, mdev, median and 95th
// percentile), in microseconds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "monitoring/EchoSeries.h"

namespace velmora {

struct RoundTripFigures {
    double minUs = 0;
    double averageUs = 0;
    double maxUs = 0;
    // The population standard deviation, sqrt(mean(x²) - mean(x)²): the jitter figure ping prints as mdev.
    double mdevUs = 0;
    // The middle reply, or the mean of the two middle ones.
    double medianUs = 0;
    // The nearest rank: the smallest round trip that at least 95% of the replies do not exceed.
    double p95Us = 0;
};

struct EchoStatistics {
    std::size_t sent = 0;
    std::size_t received = 0;
    double lossPercent = 0;  // 0 when nothing was sent
    std::optional<RoundTripFigures> roundTrips;  // none without a reply
};

// Every echo counts as sent; roundTripsUs are the replies' round trips.
EchoStatistics ComputeStatistics(std::size_t sent, const std::vector<std::uint32_t>& roundTripsUs);

// Over the echoes the series keeps: one walk over its round trips, no copy of them.
EchoStatistics StatisticsOf(const EchoSeries& series);

}  // namespace velmora
