#pragma once
// The figures of every address of a store, kept between redraws: an address
// is computed again only when its series changed, and a refresh stops when
// its caller runs out of time, to go on where it stopped next time, so a
// table over a whole range never holds the event loop for long. A long
// series is walked in parts too (StatisticsWalk), its figures those of the
// series as the walk began.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "monitoring/EchoStatistics.h"
#include "monitoring/EchoStore.h"

namespace velmora {

class StatisticsCache {
public:
    // Computes the figures of addresses whose series changed, address after
    // address from where the last call stopped; outOfTime is asked after
    // each one, and every EchoSeries::kEchoesBetweenChecks echoes of a long one. True
    // when it went through all of them.
    bool Refresh(const EchoStore& store, const std::function<bool()>& outOfTime);
    // The figures of the store's index-th series as last computed; none before.
    const EchoStatistics* Find(std::size_t index) const;
    // The series whose figures were computed since the last call, each once.
    std::vector<std::size_t> TakeUpdated();
    // The store was cleared: its series are new ones, whatever they look like.
    void Forget();

private:
    struct Entry {
        bool computed = false;
        bool updated = false;
        std::uint64_t changes = 0;  // the series' Changes() when computed
        EchoStatistics figures;
    };

    bool WalkThrough(std::size_t index, const EchoSeries& series, const std::function<bool()>& outOfTime);

    std::vector<Entry> entries_;
    std::vector<std::size_t> updated_;
    std::size_t next_ = 0;
    std::optional<StatisticsWalk> walk_;  // of the series at walkIndex_, not yet through
    std::size_t walkIndex_ = 0;
};

}  // namespace velmora
