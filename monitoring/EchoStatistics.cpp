#include "monitoring/EchoStatistics.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmora {

namespace {

// Ranks from 0 in ascending order: smallest, lower and upper middle, the
// 95th percentile's nearest rank, largest.
constexpr std::size_t kRanks = 5;
using Ranks = std::array<std::uint64_t, kRanks>;

Ranks RanksWanted(std::uint64_t n) {
    const std::uint64_t p95 = (95 * n + 99) / 100;  // ceil(0.95 n), from 1
    return {0, (n - 1) / 2, n / 2, p95 - 1, n - 1};
}

// Where a rank falls: its coarse bucket, and its rank among that bucket's round trips.
struct Place {
    std::uint32_t bucket = 0;
    std::uint64_t rankInBucket = 0;
};

Place PlaceOf(const std::vector<std::uint32_t>& counts, std::uint64_t rank) {
    Place place;
    for (; place.bucket < counts.size(); ++place.bucket) {
        if (rank < counts[place.bucket]) break;
        rank -= counts[place.bucket];
    }
    place.rankInBucket = rank;
    return place;
}

// The round trips at the ranks, exactly, by a counting select: the tally's
// coarse counts place each rank in a bucket, and one walk (walk(visit) hands
// every round trip the tally holds to visit) counts each value inside those
// few buckets. Memory: a count per microsecond of at most kRanks buckets.
template <typename Walk>
std::array<std::uint32_t, kRanks> ValuesAtRanks(const RoundTripTally& tally, const Ranks& ranks, Walk&& walk) {
    const std::vector<std::uint32_t>& buckets = tally.Buckets();
    std::array<Place, kRanks> places;
    std::vector<std::int8_t> slotOf(buckets.size(), -1);
    std::int8_t slots = 0;
    for (std::size_t r = 0; r < kRanks; ++r) {
        places[r] = PlaceOf(buckets, ranks[r]);
        if (slotOf[places[r].bucket] < 0) slotOf[places[r].bucket] = slots++;
    }
    constexpr std::uint32_t kWidth = RoundTripTally::kBucketWidth;
    std::vector<std::uint32_t> counts(std::size_t(slots) * kWidth);
    walk([&](std::uint32_t us) {
        const std::int8_t slot = slotOf[RoundTripTally::BucketOf(us)];
        if (slot >= 0) ++counts[std::size_t(slot) * kWidth + (us & (kWidth - 1))];
    });
    std::array<std::uint32_t, kRanks> values{};
    for (std::size_t r = 0; r < kRanks; ++r) {
        const auto first = counts.begin() + std::ptrdiff_t(slotOf[places[r].bucket]) * kWidth;
        std::uint64_t rank = places[r].rankInBucket;
        std::uint32_t offset = 0;
        for (; rank >= first[offset]; ++offset) rank -= first[offset];
        values[r] = (places[r].bucket << RoundTripTally::kCoarseShift) | offset;
    }
    return values;
}

// The deviation comes from exact integer sums: n Σx² - (Σx)² loses nothing,
// so the small jitter of long round trips survives.
double MdevOf(const RoundTripTally& tally) {
    const auto n = RoundTripTally::Wide(tally.Count());
    const RoundTripTally::Wide sum = tally.Sum();
    return std::sqrt(double(n * tally.SquareSum() - sum * sum)) / double(n);
}

// Over a tally with at least one round trip.
template <typename Walk>
RoundTripFigures FiguresOf(const RoundTripTally& tally, Walk&& walk) {
    const std::uint64_t n = tally.Count();
    const auto [min, lowerMiddle, upperMiddle, p95, max] = ValuesAtRanks(tally, RanksWanted(n), walk);
    RoundTripFigures figures;
    figures.minUs = min;
    figures.maxUs = max;
    figures.averageUs = double(tally.Sum()) / double(n);
    figures.mdevUs = MdevOf(tally);
    figures.medianUs = (double(lowerMiddle) + double(upperMiddle)) / 2;
    figures.p95Us = p95;
    return figures;
}

template <typename Walk>
EchoStatistics StatisticsFrom(std::size_t sent, const RoundTripTally& tally, Walk&& walk) {
    EchoStatistics statistics;
    statistics.sent = sent;
    statistics.received = std::size_t(tally.Count());
    if (sent > 0) statistics.lossPercent = 100.0 * double(sent - statistics.received) / double(sent);
    if (tally.Count() > 0) statistics.roundTrips = FiguresOf(tally, walk);
    return statistics;
}

}  // namespace

EchoStatistics ComputeStatistics(std::size_t sent, const std::vector<std::uint32_t>& roundTripsUs) {
    RoundTripTally tally;
    for (const std::uint32_t us : roundTripsUs) tally.Add(us);
    return StatisticsFrom(sent, tally, [&roundTripsUs](auto&& visit) {
        for (const std::uint32_t us : roundTripsUs) visit(us);
    });
}

EchoStatistics StatisticsOf(const EchoSeries& series) {
    return StatisticsFrom(series.Size(), series.Tally(), [&series](auto&& visit) { series.VisitRoundTrips(visit); });
}

}  // namespace velmora
