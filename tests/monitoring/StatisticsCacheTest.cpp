#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "monitoring/StatisticsCache.h"

namespace velmora {
namespace {

using Indexes = std::vector<std::size_t>;

const auto kNeverOutOfTime = [] { return false; };
const auto kAlwaysOutOfTime = [] { return true; };

void AddReply(EchoStore& store, const std::string& address, std::int64_t pass, std::uint32_t roundTripUs) {
    EchoRecord echo;
    echo.address = address;
    echo.sample.timeUs = 1'800'000'000'000'000 + pass * 1'000'000;
    echo.sample.pass = pass;
    echo.sample.roundTripUs = roundTripUs;
    store.Add(echo);
}

// A pass over 10.0.0.1 to 10.0.0.<count>, each answering in 100 us times its last octet.
void AddPass(EchoStore& store, int count, std::int64_t pass) {
    for (int a = 1; a <= count; ++a) AddReply(store, "10.0.0." + std::to_string(a), pass, std::uint32_t(100 * a));
}

TEST(StatisticsCache, ComputesAgainOnlyWhatChanged) {
    EchoStore store;
    StatisticsCache cache;
    AddPass(store, 3, 0);
    EXPECT_EQ(cache.Find(0), nullptr);
    EXPECT_TRUE(cache.Refresh(store, kNeverOutOfTime));
    EXPECT_EQ(cache.TakeUpdated(), (Indexes{0, 1, 2}));
    EXPECT_TRUE(cache.Refresh(store, kNeverOutOfTime));
    EXPECT_EQ(cache.TakeUpdated(), Indexes{});
    AddReply(store, "10.0.0.2", 1, 900);
    EXPECT_TRUE(cache.Refresh(store, kNeverOutOfTime));
    EXPECT_EQ(cache.TakeUpdated(), Indexes{1});
    ASSERT_NE(cache.Find(1), nullptr);
    EXPECT_EQ(cache.Find(1)->sent, 2u);
    EXPECT_DOUBLE_EQ(cache.Find(1)->roundTrips->maxUs, 900);
}

// An address whose oldest echo gave way to a new one keeps its size, but not its figures.
TEST(StatisticsCache, ComputesAgainWhenTheOldestGaveWay) {
    EchoStore store(1);
    StatisticsCache cache;
    AddReply(store, "10.0.0.1", 0, 100);
    cache.Refresh(store, kNeverOutOfTime);
    AddReply(store, "10.0.0.1", 1, 700);
    cache.Refresh(store, kNeverOutOfTime);
    EXPECT_EQ(cache.TakeUpdated(), (Indexes{0}));
    EXPECT_DOUBLE_EQ(cache.Find(0)->roundTrips->minUs, 700);
}

// After a Clear the new data set may look just like the old one in size.
TEST(StatisticsCache, ForgetsTheFiguresOfAClearedStore) {
    EchoStore store;
    StatisticsCache cache;
    AddReply(store, "10.0.0.1", 0, 100);
    cache.Refresh(store, kNeverOutOfTime);
    store.Clear();
    cache.Forget();
    EXPECT_EQ(cache.TakeUpdated(), Indexes{});
    AddReply(store, "10.0.0.1", 0, 400);
    EXPECT_TRUE(cache.Refresh(store, kNeverOutOfTime));
    EXPECT_EQ(cache.TakeUpdated(), Indexes{0});
    EXPECT_DOUBLE_EQ(cache.Find(0)->roundTrips->minUs, 400);
}

// Out of time after each address: a refresh computes one, and the next goes
// on after it, so an address that changes again cannot starve the others.
TEST(StatisticsCache, OutOfTimeGoesOnWhereItStopped) {
    EchoStore store;
    StatisticsCache cache;
    AddPass(store, 4, 0);
    const struct {
        const char* name;
        bool changeFirstAddress;  // before the refresh
        Indexes updated;
        bool finished;
    } steps[] = {
        {"First", false, {0}, false},
        {"Second", false, {1}, false},
        {"ThirdThoughTheFirstChanged", true, {2}, false},
        {"Fourth", false, {3}, false},
        {"BackToTheFirst", false, {0}, false},
        {"NothingLeft", false, {}, true},
    };
    for (const auto& step : steps) {
        if (step.changeFirstAddress) AddReply(store, "10.0.0.1", 1, 5000);
        EXPECT_EQ(cache.Refresh(store, kAlwaysOutOfTime), step.finished) << step.name;
        EXPECT_EQ(cache.TakeUpdated(), step.updated) << step.name;
    }
    EXPECT_EQ(cache.Find(0)->sent, 2u);
}

// One host's long series is walked over several refreshes, out of time
// after each part, and its figures are those of the series as the walk began;
// the echo that came meanwhile has it computed again at the next refresh.
TEST(StatisticsCache, ALongSeriesIsWalkedOverSeveralRefreshes) {
    EchoStore store;
    StatisticsCache cache;
    const auto kEchoes = std::int64_t(3 * EchoSeries::kEchoesBetweenChecks);
    for (std::int64_t pass = 0; pass < kEchoes; ++pass) AddReply(store, "127.0.0.1", pass, 100);
    const std::size_t partsBefore = 2;  // out of time after the first and the second part
    for (std::size_t part = 0; part < partsBefore; ++part) {
        EXPECT_FALSE(cache.Refresh(store, kAlwaysOutOfTime)) << part;
        EXPECT_EQ(cache.TakeUpdated(), Indexes{}) << part;
        AddReply(store, "127.0.0.1", kEchoes + std::int64_t(part), 9000);
    }
    EXPECT_FALSE(cache.Refresh(store, kAlwaysOutOfTime)) << "through, then out of time after the address";
    EXPECT_EQ(cache.TakeUpdated(), Indexes{0});
    EXPECT_EQ(cache.Find(0)->sent, std::size_t(kEchoes));
    EXPECT_DOUBLE_EQ(cache.Find(0)->roundTrips->maxUs, 100);
    EXPECT_TRUE(cache.Refresh(store, kNeverOutOfTime));
    EXPECT_EQ(cache.Find(0)->sent, std::size_t(kEchoes) + partsBefore);
    EXPECT_DOUBLE_EQ(cache.Find(0)->roundTrips->maxUs, 9000);
}

}  // namespace
}  // namespace velmora
