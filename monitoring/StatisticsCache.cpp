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
        entry.figures = StatisticsOf(series);
        entry.changes = series.Changes();
        entry.computed = true;
        if (!entry.updated) updated_.push_back(index);
        entry.updated = true;
        if (outOfTime()) {
            next_ = (index + 1) % count;
            return false;
        }
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
}

}  // namespace velmora
