#include "monitoring/EchoStatistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace velmora {

namespace {

// Over sorted, non-empty round trips. The deviation is taken about the mean,
// which equals sqrt(mean(x²) - mean(x)²) without losing the small jitter of
// long round trips to rounding.
RoundTripFigures FiguresOfSorted(const std::vector<std::uint32_t>& sorted) {
    const std::size_t n = sorted.size();
    RoundTripFigures figures;
    figures.minUs = sorted.front();
    figures.maxUs = sorted.back();
    figures.averageUs = std::accumulate(sorted.begin(), sorted.end(), 0.0) / double(n);
    const double squares = std::accumulate(sorted.begin(), sorted.end(), 0.0, [&](double sum, std::uint32_t x) {
        const double d = double(x) - figures.averageUs;
        return sum + d * d;
    });
    figures.mdevUs = std::sqrt(squares / double(n));
    figures.medianUs = n % 2 == 1 ? sorted[n / 2] : (double(sorted[n / 2 - 1]) + double(sorted[n / 2])) / 2;
    const std::size_t rank = (95 * n + 99) / 100;  // ceil(0.95 n), from 1
    figures.p95Us = sorted[rank - 1];
    return figures;
}

}  // namespace

EchoStatistics ComputeStatistics(std::size_t sent, std::vector<std::uint32_t> roundTripsUs) {
    EchoStatistics statistics;
    statistics.sent = sent;
    statistics.received = roundTripsUs.size();
    if (sent > 0) statistics.lossPercent = 100.0 * double(sent - statistics.received) / double(sent);
    if (roundTripsUs.empty()) return statistics;
    std::sort(roundTripsUs.begin(), roundTripsUs.end());
    statistics.roundTrips = FiguresOfSorted(roundTripsUs);
    return statistics;
}

EchoStatistics StatisticsOf(const EchoSeries& series) {
    std::vector<std::uint32_t> roundTrips;
    series.Visit(0, [&roundTrips](const EchoSample& sample) {
        if (sample.Replied()) roundTrips.push_back(sample.roundTripUs);
        return true;
    });
    return ComputeStatistics(series.Size(), std::move(roundTrips));
}

}  // namespace velmora
