#pragma once
// The figures of one address's echoes: sent, received, loss, and the round
// trips of the replies (minimum, average, maximum, mdev, median and 95th
// percentile), in microseconds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "monitoring/EchoSeries.h"
#include "monitoring/RoundTripTally.h"

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

// The figures from a tally of the replies' round trips and a walk that
// counts each of them once, in parts if need be: a counting select that
// counts exact values only inside the few coarse buckets holding the ranks
// wanted (smallest, the middle pair, the 95th percentile, largest).
class FiguresCounter {
public:
    FiguresCounter(std::size_t sent, const RoundTripTally& tally);
    // A round trip of the tally: inline, as a walk counts millions.
    void Count(std::uint32_t us) {
        constexpr std::uint32_t kWidth = RoundTripTally::kBucketWidth;
        const std::int8_t slot = slotOf_[RoundTripTally::BucketOf(us)];
        if (slot >= 0) ++counts_[std::size_t(slot) * kWidth + (us & (kWidth - 1))];
    }
    // Once every round trip of the tally was counted.
    EchoStatistics Figures() const;

private:
    std::size_t sent_;
    RoundTripTally tally_;
    std::vector<std::int8_t> slotOf_;    // per coarse bucket: its counts' slot, or -1 when it holds no rank wanted
    std::vector<std::uint32_t> counts_;  // per slot, a count per microsecond of the bucket
};

// Every echo counts as sent; roundTripsUs are the replies' round trips.
EchoStatistics ComputeStatistics(std::size_t sent, const std::vector<std::uint32_t>& roundTripsUs);

// Over the echoes the series keeps: one walk over its round trips, no copy of them.
EchoStatistics StatisticsOf(const EchoSeries& series);

// The figures of a series as it was when the walk began, walked a part at a
// time while the series gains echoes and loses its oldest: one host can keep
// 25 million echoes, some 50 ms of walking, too long for one turn of the
// event loop. Exact while the walk keeps ahead of the oldest echoes' going.
class StatisticsWalk {
public:
    explicit StatisticsWalk(const EchoSeries& series);
    // Walks on over at most `echoes` more; true when through.
    bool WalkOn(const EchoSeries& series, std::size_t echoes);
    // The series forgot echoes the walk had not reached yet: begin again.
    bool Broken(const EchoSeries& series) const { return series.Forgotten() > next_; }
    // When through.
    EchoStatistics Figures() const { return counter_.Figures(); }
    // The series' Changes() when the walk began.
    std::uint64_t Changes() const { return changes_; }

private:
    FiguresCounter counter_;
    std::uint64_t changes_;
    std::uint64_t next_;  // the sequence number of the next echo to walk (EchoSeries::Forgotten() counts the same)
    std::uint64_t end_;
};

}  // namespace velmora
