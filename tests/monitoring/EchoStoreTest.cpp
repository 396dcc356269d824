#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "monitoring/Decimation.h"
#include "monitoring/EchoStore.h"

namespace velmora {
namespace {

constexpr std::int64_t kStartUs = 1'800'000'000'000'000;

EchoRecord Reply(const std::string& address, std::int64_t timeUs, std::int64_t pass, std::uint32_t roundTripUs) {
    EchoRecord echo;
    echo.address = address;
    echo.sample.timeUs = timeUs;
    echo.sample.pass = pass;
    echo.sample.roundTripUs = roundTripUs;
    echo.sample.ttl = 64;
    echo.sample.dataSize = 32;
    echo.sample.dataIntact = true;
    return echo;
}

EchoRecord Failure(const std::string& address, std::int64_t timeUs, std::int64_t pass, std::int32_t status) {
    EchoRecord echo;
    echo.address = address;
    echo.sample.timeUs = timeUs;
    echo.sample.pass = pass;
    echo.sample.status = status;
    return echo;
}

std::vector<EchoSample> All(const EchoSeries& series) {
    std::vector<EchoSample> out;
    series.Visit(0, [&out](const EchoSample& e) {
        out.push_back(e);
        return true;
    });
    return out;
}

void ExpectSame(const EchoSample& got, const EchoSample& want, const std::string& name) {
    EXPECT_EQ(got.timeUs, want.timeUs) << name;
    EXPECT_EQ(got.pass, want.pass) << name;
    EXPECT_EQ(got.status, want.status) << name;
    EXPECT_EQ(got.roundTripUs, want.roundTripUs) << name;
    EXPECT_EQ(got.ttl, want.ttl) << name;
    EXPECT_EQ(got.dataSize, want.dataSize) << name;
    EXPECT_EQ(got.dataIntact, want.dataIntact) << name;
}

// Each echo follows the one before it, which is the same in every row; what
// the packed code has no room for begins a run of its own, and must read back all the same.
TEST(EchoSeries, ReadsBackEachEchoAsItWasAdded) {
    const auto changed = [](auto change) {
        EchoRecord echo = Reply("10.0.0.1", kStartUs + 1'000'000, 1, 900);
        change(echo);
        return echo;
    };
    const struct {
        const char* name;
        EchoRecord echo;
        std::int64_t readTimeUs;  // the time the store keeps
    } rows[] = {
        {"NextPassASecondLater", changed([](EchoRecord&) {}), kStartUs + 1'000'000},
        {"SubMillisecondOfTheTimeIsDropped", changed([](EchoRecord& e) { e.sample.timeUs += 999; }),
         kStartUs + 1'000'000},
        {"Timeout", changed([](EchoRecord& e) { e = Failure("10.0.0.1", e.sample.timeUs, 1, 11010); }),
         kStartUs + 1'000'000},
        {"BadFormatStatus", changed([](EchoRecord& e) { e = Failure("10.0.0.1", e.sample.timeUs, 1, -1); }),
         kStartUs + 1'000'000},
        {"CorruptedData", changed([](EchoRecord& e) { e.sample.dataIntact = false; }), kStartUs + 1'000'000},
        {"OtherTtl", changed([](EchoRecord& e) { e.sample.ttl = 3; }), kStartUs + 1'000'000},
        {"OtherDataSize", changed([](EchoRecord& e) { e.sample.dataSize = 1472; }), kStartUs + 1'000'000},
        {"OtherHostName", changed([](EchoRecord& e) { e.hostName = "renamed.test"; }), kStartUs + 1'000'000},
        {"PassGapOf15", changed([](EchoRecord& e) { e.sample.pass = 15; }), kStartUs + 1'000'000},
        {"PassGapOf16", changed([](EchoRecord& e) { e.sample.pass = 16; }), kStartUs + 1'000'000},
        {"LongestExactStep", changed([](EchoRecord& e) { e.sample.timeUs = kStartUs + 32'767'000; }),
         kStartUs + 32'767'000},
        {"StepInWholeSeconds", changed([](EchoRecord& e) { e.sample.timeUs = kStartUs + 40'400'000; }),
         kStartUs + 40'000'000},
        {"StepOfTenHours", changed([](EchoRecord& e) { e.sample.timeUs = kStartUs + 36'000'000'123; }),
         kStartUs + 36'000'000'000},
        {"ClockSetBackReadsAsNoTimePassing", changed([](EchoRecord& e) { e.sample.timeUs = kStartUs - 5'000'000; }),
         kStartUs},
        {"LongestRoundTrip", changed([](EchoRecord& e) { e.sample.roundTripUs = EchoSeries::kLongestRoundTripUs; }),
         kStartUs + 1'000'000},
    };
    for (const auto& row : rows) {
        EchoStore store;
        const EchoRecord before = Reply("10.0.0.1", kStartUs, 0, 1200);
        EchoRecord after = row.echo;
        after.sample.timeUs = row.readTimeUs + 2000;
        after.sample.pass += 1;
        store.Add(before);
        store.Add(row.echo);
        store.Add(after);
        const EchoSeries& series = store.SeriesAt(0);
        ASSERT_EQ(series.Size(), 3u) << row.name;
        ExpectSame(series.At(0), before.sample, row.name);
        EchoSample want = row.echo.sample;
        want.timeUs = row.readTimeUs;
        ExpectSame(series.At(1), want, row.name);
        EXPECT_EQ(series.HostNameAt(1), row.echo.hostName) << row.name;
        want.timeUs += 2000;
        want.pass += 1;
        ExpectSame(series.At(2), want, row.name);
    }
}

TEST(EchoSeries, RoundTripsBeyondTheLongestKeptReadAsTheLongest) {
    EchoStore store;
    store.Add(Reply("10.0.0.1", kStartUs, 0, 100'000'000));
    EXPECT_EQ(store.SeriesAt(0).At(0).roundTripUs, EchoSeries::kLongestRoundTripUs);
}

// Steps of 40.4 s are kept as 40 s each, but each from the time read back: a
// day of them ends within half a second of the true time.
TEST(EchoSeries, RoundedStepsDoNotAddUp) {
    EchoStore store;
    const int count = 2139;
    for (int i = 0; i < count; ++i) store.Add(Reply("10.0.0.1", kStartUs + std::int64_t(i) * 40'400'000, i, 500));
    const EchoSample last = store.SeriesAt(0).At(count - 1);
    EXPECT_NEAR(double(last.timeUs), double(kStartUs + std::int64_t(count - 1) * 40'400'000), 500'000.0);
}

// Across run boundaries, by index and walked, and after the oldest are dropped.
TEST(EchoSeries, LongSeriesReadsTheSameByIndexAndWalkedAfterDroppingTheOldest) {
    const std::size_t count = 3 * EchoSeries::kRunLength + 17;
    EchoStore store(count - 5000);
    const auto nth = [](std::size_t i) {
        return i % 7 == 3 ? Failure("10.0.0.1", kStartUs + std::int64_t(i) * 1'001'000, std::int64_t(i), 11010)
                          : Reply("10.0.0.1", kStartUs + std::int64_t(i) * 1'001'000, std::int64_t(i), std::uint32_t(i));
    };
    for (std::size_t i = 0; i < count; ++i) store.Add(nth(i));
    const EchoSeries& series = store.SeriesAt(0);
    const std::vector<EchoSample> walked = All(series);
    ASSERT_EQ(walked.size(), count - 5000);
    for (std::size_t i = 0; i < walked.size(); i += 997) {
        const EchoSample want = nth(i + 5000).sample;
        ExpectSame(walked[i], want, "walked #" + std::to_string(i));
        ExpectSame(series.At(i), want, "at #" + std::to_string(i));
    }
    ExpectSame(walked.back(), nth(count - 1).sample, "last");
}

// Every other pass, as when the address was skipped once a pass.
TEST(EchoSeries, FindsTheFirstEchoAtOrAfterATimeOrAPass) {
    EchoStore store;
    for (int i = 0; i < 10000; ++i) store.Add(Reply("10.0.0.1", kStartUs + i * 10'000, 2 * i, 100));
    const EchoSeries& series = store.SeriesAt(0);
    const struct {
        const char* name;
        std::int64_t timeUs;
        std::size_t index;
    } rows[] = {
        {"BeforeTheFirst", kStartUs - 1, 0},
        {"TheFirst", kStartUs, 0},
        {"JustAfterAnEcho", kStartUs + 5 * 10'000 + 1, 6},
        {"InALaterRun", kStartUs + 9000 * 10'000, 9000},
        {"TheLast", kStartUs + 9999 * 10'000, 9999},
        {"AfterTheLast", kStartUs + 9999 * 10'000 + 1, 10000},
    };
    for (const auto& row : rows) EXPECT_EQ(series.FirstAtOrAfter(row.timeUs), row.index) << row.name;
    const struct {
        const char* name;
        std::int64_t pass;
        std::size_t index;
    } passes[] = {
        {"BeforeTheFirst", -1, 0}, {"TheFirst", 0, 0},         {"ASkippedPass", 11, 6},
        {"InALaterRun", 18000, 9000}, {"TheLast", 19998, 9999}, {"AfterTheLast", 19999, 10000},
    };
    for (const auto& row : passes) EXPECT_EQ(series.FirstOfPassOrLater(row.pass), row.index) << row.name;
}

// --- The bound ---

TEST(EchoStore, EachAddressKeepsItsNewestEchoesWithinItsShareOfTheBudget) {
    EchoStore store(1000);
    for (int i = 0; i < 1500; ++i) store.Add(Reply("10.0.0.1", kStartUs + i * 1000, i, std::uint32_t(i)));
    EXPECT_EQ(store.EchoCount(), 1000u);
    EXPECT_EQ(store.SeriesAt(0).At(0).pass, 500);
    EXPECT_EQ(store.SeriesAt(0).At(0).timeUs, kStartUs + 500 * 1000);

    // Three more addresses: each keeps a quarter, the first gives up its excess at once.
    for (int i = 0; i < 400; ++i) {
        for (const char* address : {"10.0.0.2", "10.0.0.3", "10.0.0.4"}) {
            store.Add(Reply(address, kStartUs + i * 1000, i, 7));
        }
    }
    EXPECT_EQ(store.CapacityPerAddress(), 250u);
    EXPECT_LE(store.EchoCount(), 1000u);
    for (std::size_t s = 0; s < store.SeriesCount(); ++s) EXPECT_EQ(store.SeriesAt(s).Size(), 250u) << s;
    EXPECT_EQ(store.SeriesAt(0).At(249).pass, 1499);
}

// A whole range keeps at least 100,000 echoes an address, in at most six
// bytes each: 152.4 MB for 254 addresses.
TEST(EchoStore, AWholeRangeKeepsAtLeast100000EchoesAnAddress) {
    EchoStore store;
    for (int a = 0; a < 254; ++a) store.Add(Reply("10.0.0." + std::to_string(a + 1), kStartUs, 0, 1));
    EXPECT_GE(store.CapacityPerAddress(), 100'000u);
    EXPECT_LE(store.CapacityPerAddress() * 254 * (sizeof(std::uint32_t) + sizeof(std::uint16_t)), 160'000'000u);
}

TEST(EchoStore, AddressesBeyondTheLastKeptAreToldButNotKept) {
    struct Counter : EchoObserver {
        int added = 0;
        void EchoAdded(const EchoRecord&) override { ++added; }
        void EchoesCleared() override {}
    } counter;
    EchoStore store(EchoStore::kMaxAddresses);
    store.AddObserver(counter);
    for (std::size_t a = 0; a <= EchoStore::kMaxAddresses; ++a) {
        store.Add(Reply("10.0." + std::to_string(a >> 8) + "." + std::to_string(a & 255), kStartUs, 0, 1));
    }
    EXPECT_EQ(store.SeriesCount(), EchoStore::kMaxAddresses);
    EXPECT_EQ(store.Find("10.0.64.0"), nullptr);
    EXPECT_NE(store.Find("10.0.63.255"), nullptr);
    EXPECT_EQ(counter.added, int(EchoStore::kMaxAddresses) + 1);
    store.RemoveObserver(counter);
}

TEST(EchoStore, ObserversFollowEachEchoAndEachClearUntilRemoved) {
    struct Log : EchoObserver {
        std::vector<std::string> seen;
        void EchoAdded(const EchoRecord& e) override { seen.push_back(e.address + "#" + std::to_string(e.sample.pass)); }
        void EchoesCleared() override { seen.push_back("cleared"); }
    } log;
    EchoStore store;
    store.AddObserver(log);
    store.Add(Reply("10.0.0.1", kStartUs, 0, 1));
    store.Add(Failure("10.0.0.2", kStartUs, 0, 11010));
    store.Clear();
    EXPECT_EQ(store.SeriesCount(), 0u);
    EXPECT_EQ(store.EchoCount(), 0u);
    EXPECT_EQ(store.LastPass(), -1);
    store.RemoveObserver(log);
    store.Add(Reply("10.0.0.1", kStartUs, 0, 1));
    EXPECT_EQ(log.seen, (std::vector<std::string>{"10.0.0.1#0", "10.0.0.2#0", "cleared"}));
    EXPECT_EQ(store.LastPass(), 0);
}

// --- Decimation ---

// Five columns of 10 ms over echoes 1 ms apart; what lies outside is left out.
TEST(Decimation, EachColumnKeepsItsExtremesItsEndsAndItsFailures) {
    EchoStore store;
    // Round trips 1000 + i, except every 7th echo, which fails; times one per millisecond.
    for (int i = 0; i < 100; ++i) {
        store.Add(i % 7 == 6 ? Failure("10.0.0.1", kStartUs + i * 1000, i, 11010)
                             : Reply("10.0.0.1", kStartUs + i * 1000, i, std::uint32_t(1000 + (i * 37) % 100)));
    }
    const EchoSeries& series = store.SeriesAt(0);
    const auto columns = DecimateByTime(series, kStartUs + 20'000, kStartUs + 70'000, 5);
    ASSERT_EQ(columns.size(), 5u);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        EchoColumn want;
        for (int i = 20 + int(c) * 10; i < 30 + int(c) * 10; ++i) {
            if (i % 7 == 6) {
                ++want.failures;
                continue;
            }
            const auto us = std::uint32_t(1000 + (i * 37) % 100);
            if (want.replies++ == 0) want.minUs = want.maxUs = want.firstUs = us;
            want.minUs = std::min(want.minUs, us);
            want.maxUs = std::max(want.maxUs, us);
            want.lastUs = us;
        }
        EXPECT_EQ(columns[c].replies, want.replies) << c;
        EXPECT_EQ(columns[c].failures, want.failures) << c;
        EXPECT_EQ(columns[c].minUs, want.minUs) << c;
        EXPECT_EQ(columns[c].maxUs, want.maxUs) << c;
        EXPECT_EQ(columns[c].firstUs, want.firstUs) << c;
        EXPECT_EQ(columns[c].lastUs, want.lastUs) << c;
    }
}

TEST(Decimation, NothingToDrawGivesNoColumnsOrEmptyOnes) {
    EchoStore store;
    store.Add(Reply("10.0.0.1", kStartUs, 0, 5));
    const EchoSeries& series = store.SeriesAt(0);
    EXPECT_TRUE(DecimateByTime(series, kStartUs, kStartUs, 10).empty());
    EXPECT_TRUE(DecimateByTime(series, kStartUs, kStartUs + 1000, 0).empty());
    const auto later = DecimateByTime(series, kStartUs + 1, kStartUs + 1000, 4);
    ASSERT_EQ(later.size(), 4u);
    for (const EchoColumn& column : later) EXPECT_EQ(column.replies + column.failures, 0u);
}

std::uint64_t EchoesIn(const std::vector<EchoColumn>& columns) {
    std::uint64_t echoes = 0;
    for (const EchoColumn& column : columns) echoes += column.replies + column.failures;
    return echoes;
}

// A build that runs out of time after each part walks kEchoesBetweenChecks
// echoes a part and ends with the columns of one walk; the oldest echoes
// forgotten between parts are skipped, and later ones beyond the span left out.
TEST(Decimation, ABuildInPartsWalksEachKeptEchoOnce) {
    constexpr std::size_t kPart = EchoSeries::kEchoesBetweenChecks;
    const std::int64_t echoes = 3 * kPart + 100;
    EchoStore store{std::size_t(echoes)};
    const auto add = [&store](std::int64_t from, std::int64_t to) {
        for (std::int64_t i = from; i < to; ++i) {
            store.Add(i % 5 == 4 ? Failure("10.0.0.1", kStartUs + i * 1000, i, 11010)
                                 : Reply("10.0.0.1", kStartUs + i * 1000, i, std::uint32_t(100 + i % 997)));
        }
    };
    add(0, echoes);
    const EchoSeries& series = store.SeriesAt(0);
    const std::int64_t toUs = kStartUs + echoes * 1000;
    const auto always = [] { return true; };
    const struct {
        const char* name;
        std::int64_t forgetBefore;  // echoes added (and as many forgotten) after the first part
        std::uint64_t walked;
    } rows[] = {
        {"NothingForgotten", 0, std::uint64_t(echoes)},
        {"TwoPartsForgottenMeanwhile", 2 * kPart, std::uint64_t(echoes) - kPart},
    };
    for (const auto& row : rows) {
        DecimationBuilder builder;
        builder.Begin(series, kStartUs, toUs, 7);
        const std::vector<EchoColumn> whole = DecimateByTime(series, kStartUs, toUs, 7);
        EXPECT_FALSE(builder.Walk(series, always)) << row.name;
        add(echoes, echoes + row.forgetBefore);
        int stoppedForTime = 1;
        while (!builder.Walk(series, always)) ++stoppedForTime;
        const std::vector<EchoColumn> built = builder.Take();
        EXPECT_EQ(EchoesIn(built), row.walked) << row.name;
        if (row.forgetBefore == 0) {
            EXPECT_EQ(stoppedForTime, 3) << row.name;
            for (std::size_t c = 0; c < whole.size(); ++c) {
                EXPECT_EQ(built[c].minUs, whole[c].minUs) << row.name << c;
                EXPECT_EQ(built[c].maxUs, whole[c].maxUs) << row.name << c;
                EXPECT_EQ(built[c].firstUs, whole[c].firstUs) << row.name << c;
                EXPECT_EQ(built[c].lastUs, whole[c].lastUs) << row.name << c;
                EXPECT_EQ(built[c].failures, whole[c].failures) << row.name << c;
            }
        }
    }
}

}  // namespace
}  // namespace velmora
