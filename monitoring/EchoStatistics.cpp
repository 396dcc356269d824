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

// The deviation comes from exact integer sums: n Σx² - (Σx)² loses nothing,
// so the small jitter of long round trips survives.
double MdevOf(const RoundTripTally& tally) {
    const auto n = RoundTripTally::Wide(tally.Count());
    const RoundTripTally::Wide sum = tally.Sum();
    return std::sqrt(double(n * tally.SquareSum() - sum * sum)) / double(n);
}

}  // namespace

FiguresCounter::FiguresCounter(std::size_t sent, const RoundTripTally& tally)
    : sent_(sent), tally_(tally), slotOf_(tally.Buckets().size(), -1) {
    if (tally.Count() == 0) return;
    std::int8_t slots = 0;
    for (const std::uint64_t rank : RanksWanted(tally.Count())) {
        std::int8_t& slot = slotOf_[PlaceOf(tally.Buckets(), rank).bucket];
        if (slot < 0) slot = slots++;
    }
    counts_.resize(std::size_t(slots) * RoundTripTally::kBucketWidth);
}

EchoStatistics FiguresCounter::Figures() const {
    EchoStatistics statistics;
    statistics.sent = sent_;
    statistics.received = std::size_t(tally_.Count());
    if (sent_ > 0) statistics.lossPercent = 100.0 * double(sent_ - statistics.received) / double(sent_);
    if (tally_.Count() == 0) return statistics;
    std::array<std::uint32_t, kRanks> values{};
    const Ranks ranks = RanksWanted(tally_.Count());
    for (std::size_t r = 0; r < kRanks; ++r) {
        const Place place = PlaceOf(tally_.Buckets(), ranks[r]);
        const auto first = counts_.begin() + std::ptrdiff_t(slotOf_[place.bucket]) * RoundTripTally::kBucketWidth;
        std::uint64_t rank = place.rankInBucket;
        std::uint32_t offset = 0;
        for (; rank >= first[offset]; ++offset) rank -= first[offset];
        values[r] = (place.bucket << RoundTripTally::kCoarseShift) | offset;
    }
    const auto [min, lowerMiddle, upperMiddle, p95, max] = values;
    RoundTripFigures& figures = statistics.roundTrips.emplace();
    figures.minUs = min;
    figures.maxUs = max;
    figures.averageUs = double(tally_.Sum()) / double(tally_.Count());
    figures.mdevUs = MdevOf(tally_);
    figures.medianUs = (double(lowerMiddle) + double(upperMiddle)) / 2;
    figures.p95Us = p95;
    return statistics;
}

EchoStatistics ComputeStatistics(std::size_t sent, const std::vector<std::uint32_t>& roundTripsUs) {
    RoundTripTally tally;
    for (const std::uint32_t us : roundTripsUs) tally.Add(us);
    FiguresCounter counter(sent, tally);
    for (const std::uint32_t us : roundTripsUs) counter.Count(us);
    return counter.Figures();
}

EchoStatistics StatisticsOf(const EchoSeries& series) {
    StatisticsWalk walk(series);
    walk.WalkOn(series, series.Size());
    return walk.Figures();
}

StatisticsWalk::StatisticsWalk(const EchoSeries& series)
    : counter_(series.Size(), series.Tally()),
      changes_(series.Changes()),
      next_(series.Forgotten()),
      end_(series.Forgotten() + series.Size()) {}

bool StatisticsWalk::WalkOn(const EchoSeries& series, std::size_t echoes) {
    if (Broken(series)) return false;
    const std::uint64_t until = std::min<std::uint64_t>(end_, next_ + echoes);
    series.VisitRoundTrips(std::size_t(next_ - series.Forgotten()), std::size_t(until - series.Forgotten()),
                           [this](std::uint32_t us) { counter_.Count(us); });
    next_ = until;
    return next_ == end_;
}

}  // namespace velmora
