#include "monitoring/StatisticsCache.h"

namespace velmora {

bool StatisticsCache::Refresh(const EchoStore& store, const std::function<bool()>& outOfTime) {
    const std::size_t count = store.SeriesCount();
    entries_.resize(count);
    for (std::size_t visited = 0; visited < count; ++visited) {
        const std::size_t index = (next_ + visited) % count;
        const EchoSeries& series = store.SeriesAt(index);
        Entry& entry = entries_[index];
        if (entry.computed && entry.changes == series.Changes()) continue;
        if (!WalkThrough(index, series, outOfTime)) {
            next_ = index;
            return false;
        }
        entry.figures = walk_->Figures();
        entry.changes = walk_->Changes();
        entry.computed = true;
        walk_.reset();
        if (!entry.updated) updated_.push_back(index);
        entry.updated = true;
        if (outOfTime()) {
            next_ = (index + 1) % count;
            return false;
        }
    }
    return true;
}

// The series' walk, begun now or gone on with where it stopped; false when
// out of time before it is through.
bool StatisticsCache::WalkThrough(std::size_t index, const EchoSeries& series,
                                  const std::function<bool()>& outOfTime) {
    if (!walk_ || walkIndex_ != index || walk_->Broken(series)) {
        walk_.emplace(series);
        walkIndex_ = index;
    }
    while (!walk_->WalkOn(series, EchoSeries::kEchoesBetweenChecks)) {
        if (outOfTime()) return false;
    }
    return true;
}

const EchoStatistics* StatisticsCache::Find(std::size_t index) const {
    if (index >= entries_.size() || !entries_[index].computed) return nullptr;
    return &entries_[index].figures;
}

std::vector<std::size_t> StatisticsCache::TakeUpdated() {
    for (const std::size_t index : updated_) entries_[index].updated = false;
    return std::exchange(updated_, {});
}

void StatisticsCache::Forget() {
    entries_.clear();
    updated_.clear();
    next_ = 0;
    walk_.reset();
}

}  // namespace velmora
