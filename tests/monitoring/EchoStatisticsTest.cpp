#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "monitoring/EchoStatistics.h"
#include "monitoring/EchoStore.h"

namespace velmora {
namespace {

void ExpectFigures(const RoundTripFigures& got, const RoundTripFigures& want, const char* name, double mdevTolerance) {
    EXPECT_DOUBLE_EQ(got.minUs, want.minUs) << name;
    EXPECT_DOUBLE_EQ(got.averageUs, want.averageUs) << name;
    EXPECT_DOUBLE_EQ(got.maxUs, want.maxUs) << name;
    EXPECT_NEAR(got.mdevUs, want.mdevUs, mdevTolerance) << name;
    EXPECT_DOUBLE_EQ(got.medianUs, want.medianUs) << name;
    EXPECT_DOUBLE_EQ(got.p95Us, want.p95Us) << name;
}

TEST(EchoStatistics, FiguresOverKnownSeries) {
    const struct {
        const char* name;
        std::size_t sent;
        std::vector<std::uint32_t> roundTripsUs;
        double lossPercent;
        std::optional<RoundTripFigures> want;  // min, average, max, mdev, median, p95
    } rows[] = {
        {"NothingSent", 0, {}, 0, std::nullopt},
        {"EveryEchoLost", 5, {}, 100, std::nullopt},
        {"OneReply", 1, {1500}, 0, RoundTripFigures{1500, 1500, 1500, 0, 1500, 1500}},
        // mean 2500, mean of squares 7,500,000: mdev sqrt(1,250,000).
        {"FourEvenMedianIsTheMiddlePairsMean", 4, {4000, 1000, 3000, 2000}, 0,
         RoundTripFigures{1000, 2500, 4000, 1118.033988749895, 2500, 4000}},
        {"HalfLost", 4, {100, 300}, 50, RoundTripFigures{100, 200, 300, 100, 200, 300}},
        {"OddMedianIsTheMiddleOne", 4, {5, 1, 3}, 25, RoundTripFigures{1, 3, 5, 1.632993161855452, 3, 5}},
        // 1..20 ms: p95 is the 19th; mdev of 1..n is sqrt((n² - 1) / 12).
        {"TwentyP95IsTheNineteenth", 20,
         {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 11000, 12000, 13000, 14000, 15000, 16000,
          17000, 18000, 19000, 20000},
         0, RoundTripFigures{1000, 10500, 20000, 5766.281297335398, 10500, 19000}},
        {"SmallJitterOnALongRoundTripIsKept", 2, {4000000000u, 4000000002u}, 0,
         RoundTripFigures{4000000000.0, 4000000001.0, 4000000002.0, 1, 4000000001.0, 4000000002.0}},
    };
    for (const auto& row : rows) {
        const EchoStatistics got = ComputeStatistics(row.sent, row.roundTripsUs);
        EXPECT_EQ(got.sent, row.sent) << row.name;
        EXPECT_EQ(got.received, row.roundTripsUs.size()) << row.name;
        EXPECT_DOUBLE_EQ(got.lossPercent, row.lossPercent) << row.name;
        ASSERT_EQ(got.roundTrips.has_value(), row.want.has_value()) << row.name;
        if (row.want) ExpectFigures(*got.roundTrips, *row.want, row.name, 1e-6);
    }
}

// The counting select places each rank in a coarse bucket of 8192 us and
// counts exactly inside it: ranks that share a bucket, that straddle two, and
// values at both ends of the kept range.
TEST(EchoStatistics, RanksAcrossAndWithinCoarseBuckets) {
    const struct {
        const char* name;
        std::vector<std::uint32_t> roundTripsUs;
        RoundTripFigures want;  // min, average, max, mdev, median, p95
    } rows[] = {
        {"AllInOneBucket", {7, 3, 8191, 3, 0}, RoundTripFigures{0, 1640.8, 8191, 3275.100755702029, 3, 8191}},
        {"EvenMedianStraddlesTwoBuckets", {8191, 8192}, RoundTripFigures{8191, 8191.5, 8192, 0.5, 8191.5, 8192}},
        {"EachInABucketOfItsOwn", {70000, 100, 30000, 9000},
         RoundTripFigures{100, 27275, 70000, 26950.452222550924, 19500, 70000}},
        {"RepeatsOfOneValue", {5000, 5000, 5000}, RoundTripFigures{5000, 5000, 5000, 0, 5000, 5000}},
        // A microsecond of jitter on the longest round trip kept: mdev sqrt(1.25).
        {"TinyJitterAtTheLongestRoundTrip",
         {EchoSeries::kLongestRoundTripUs - 3, EchoSeries::kLongestRoundTripUs - 2,
          EchoSeries::kLongestRoundTripUs - 1, EchoSeries::kLongestRoundTripUs},
         RoundTripFigures{67108860, 67108861.5, 67108863, 1.118033988749895, 67108861.5, 67108863}},
    };
    for (const auto& row : rows) {
        const EchoStatistics got = ComputeStatistics(row.roundTripsUs.size(), row.roundTripsUs);
        ASSERT_TRUE(got.roundTrips) << row.name;
        ExpectFigures(*got.roundTrips, row.want, row.name, 1e-4);
    }
}

// 1..1000 in a shuffled order: the nearest rank of 95% is the 950th, whatever the order.
TEST(EchoStatistics, P95IsTheNearestRankInAnyOrder) {
    std::vector<std::uint32_t> values;
    for (std::uint32_t i = 0; i < 1000; ++i) values.push_back((i * 617) % 1000 + 1);
    const EchoStatistics got = ComputeStatistics(values.size(), values);
    ASSERT_TRUE(got.roundTrips);
    EXPECT_DOUBLE_EQ(got.roundTrips->p95Us, 950);
    EXPECT_DOUBLE_EQ(got.roundTrips->medianUs, 500.5);
}

// Over a series: every echo kept counts as sent, only replies as round trips.
TEST(EchoStatistics, OfASeriesCountsItsFailuresAsLost) {
    EchoStore store;
    const std::int32_t statuses[] = {IP_SUCCESS, IP_REQ_TIMED_OUT, IP_SUCCESS, IP_DEST_HOST_UNREACHABLE};
    for (int i = 0; i < 4; ++i) {
        EchoRecord echo;
        echo.address = "10.0.0.1";
        echo.sample.timeUs = 1'800'000'000'000'000 + i * 1'000'000;
        echo.sample.pass = i;
        echo.sample.status = statuses[i];
        if (statuses[i] == IP_SUCCESS) echo.sample.roundTripUs = std::uint32_t(250 + 100 * i);
        store.Add(echo);
    }
    const EchoStatistics got = StatisticsOf(store.SeriesAt(0));
    EXPECT_EQ(got.sent, 4u);
    EXPECT_EQ(got.received, 2u);
    EXPECT_DOUBLE_EQ(got.lossPercent, 50);
    ASSERT_TRUE(got.roundTrips);
    EXPECT_DOUBLE_EQ(got.roundTrips->minUs, 250);
    EXPECT_DOUBLE_EQ(got.roundTrips->maxUs, 450);
}

// A series keeps its sums as echoes come and go: once the oldest are
// dropped, its figures are those of the replies it still keeps.
TEST(EchoStatistics, OfASeriesFollowTheEchoesItKeeps) {
    const struct {
        const char* name;
        std::size_t kept;
        std::vector<std::uint32_t> roundTripsUs;  // 0: lost
        std::vector<std::uint32_t> keptReplies;
    } rows[] = {
        {"NothingDropped", 10, {300, 0, 100, 200}, {300, 100, 200}},
        {"OldestReplyDropped", 3, {90000, 0, 100, 200}, {100, 200}},
        {"OnlyLostOnesLeft", 2, {500, 600, 0, 0}, {}},
        {"BeyondTheLongestReadsAsIt", 2, {5, 0xFFFFFFFFu}, {5, EchoSeries::kLongestRoundTripUs}},
    };
    for (const auto& row : rows) {
        EchoStore store(row.kept);
        for (std::size_t i = 0; i < row.roundTripsUs.size(); ++i) {
            EchoRecord echo;
            echo.address = "10.0.0.1";
            echo.sample.timeUs = 1'800'000'000'000'000 + std::int64_t(i) * 1'000'000;
            echo.sample.pass = std::int64_t(i);
            echo.sample.status = row.roundTripsUs[i] ? IP_SUCCESS : IP_REQ_TIMED_OUT;
            echo.sample.roundTripUs = row.roundTripsUs[i];
            store.Add(echo);
        }
        const EchoStatistics got = StatisticsOf(store.SeriesAt(0));
        const EchoStatistics want = ComputeStatistics(std::min(row.kept, row.roundTripsUs.size()), row.keptReplies);
        EXPECT_EQ(got.sent, want.sent) << row.name;
        EXPECT_EQ(got.received, want.received) << row.name;
        ASSERT_EQ(got.roundTrips.has_value(), want.roundTrips.has_value()) << row.name;
        if (want.roundTrips) ExpectFigures(*got.roundTrips, *want.roundTrips, row.name, 1e-9);
    }
}

// One host's echoes from `first` on: round trips that differ from those
// before, every seventh lost.
void AddEchoes(EchoStore& store, std::int64_t first, std::int64_t count, std::uint32_t baseUs) {
    for (std::int64_t i = first; i < first + count; ++i) {
        EchoRecord echo;
        echo.address = "10.0.0.1";
        echo.sample.timeUs = 1'800'000'000'000'000 + i * 1'000;
        echo.sample.pass = i;
        echo.sample.status = i % 7 == 6 ? IP_REQ_TIMED_OUT : IP_SUCCESS;
        if (echo.sample.Replied()) echo.sample.roundTripUs = baseUs + std::uint32_t(i * 37 % 500);
        store.Add(echo);
    }
}

// A walk in parts, while echoes come and the oldest give way, gives the
// figures of the series as it was when the walk began; once the oldest going
// overtake it, it is broken and must begin again.
TEST(EchoStatistics, AWalkInPartsGivesTheFiguresOfTheSeriesAsItBegan) {
    const struct {
        const char* name;
        std::size_t part;           // echoes a step
        std::int64_t comingBetween;  // after each step
        bool through;
    } rows[] = {
        {"InOnePart", 1000, 0, true},
        {"InPartsWhileEchoesCome", 300, 100, true},
        {"OvertakenByTheOldestGoing", 100, 150, false},
    };
    for (const auto& row : rows) {
        EchoStore store(1000);
        AddEchoes(store, 0, 1000, 100);
        const EchoSeries& series = store.SeriesAt(0);
        const EchoStatistics want = StatisticsOf(series);
        StatisticsWalk walk(series);
        EXPECT_EQ(walk.Changes(), series.Changes()) << row.name;
        std::int64_t next = 1000;
        bool through = false;
        while (!walk.Broken(series) && !(through = walk.WalkOn(series, row.part))) {
            AddEchoes(store, next, row.comingBetween, 5000);
            next += row.comingBetween;
        }
        EXPECT_EQ(through, row.through) << row.name;
        if (!through) continue;
        const EchoStatistics got = walk.Figures();
        EXPECT_EQ(got.sent, want.sent) << row.name;
        EXPECT_EQ(got.received, want.received) << row.name;
        ExpectFigures(*got.roundTrips, *want.roundTrips, row.name, 0);
    }
}

}  // namespace
}  // namespace velmora
