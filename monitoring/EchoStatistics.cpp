#include "monitoring/EchoStatistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace velmora {

namespace {

// The k-th smallest (from 0), in linear time: a table of millions of echoes
// is refreshed while the run goes on, so no full sort.
double NthSmallest(std::vector<std::uint32_t>& values, std::size_t k) {
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(k), values.end());
    return values[k];
}

double Median(std::vector<std::uint32_t>& values) {
    const std::size_t half = values.size() / 2;
    const double upper = NthSmallest(values, half);
    if (values.size() % 2 == 1) return upper;
    // Everything before the upper middle is no larger than it: the lower middle is their largest.
    return (double(*std::max_element(values.begin(), values.begin() + std::ptrdiff_t(half))) + upper) / 2;
}

// Over non-empty round trips, in any order. The deviation is taken about the
// mean, which equals sqrt(mean(x²) - mean(x)²) without losing the small
// jitter of long round trips to rounding.
RoundTripFigures FiguresOf(std::vector<std::uint32_t>& values) {
    const std::size_t n = values.size();
    RoundTripFigures figures;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    figures.minUs = *low;
    figures.maxUs = *high;
    figures.averageUs = std::accumulate(values.begin(), values.end(), 0.0) / double(n);
    const double squares = std::accumulate(values.begin(), values.end(), 0.0, [&](double sum, std::uint32_t x) {
        const double d = double(x) - figures.averageUs;
        return sum + d * d;
    });
    figures.mdevUs = std::sqrt(squares / double(n));
    figures.medianUs = Median(values);
    const std::size_t rank = (95 * n + 99) / 100;  // ceil(0.95 n), from 1
    figures.p95Us = NthSmallest(values, rank - 1);
    return figures;
}

}  // namespace

EchoStatistics ComputeStatistics(std::size_t sent, std::vector<std::uint32_t> roundTripsUs) {
    EchoStatistics statistics;
    statistics.sent = sent;
    statistics.received = roundTripsUs.size();
    if (sent > 0) statistics.lossPercent = 100.0 * double(sent - statistics.received) / double(sent);
    if (roundTripsUs.empty()) return statistics;
    statistics.roundTrips = FiguresOf(roundTripsUs);
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
