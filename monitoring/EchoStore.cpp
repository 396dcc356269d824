#include "monitoring/EchoStore.h"

#include <algorithm>

namespace velmora {

EchoStore::EchoStore(std::size_t echoBudget) : echoBudget_(std::max<std::size_t>(echoBudget, 1)) {}

std::size_t EchoStore::CapacityPerAddress() const {
    return std::max<std::size_t>(echoBudget_ / std::max<std::size_t>(series_.size(), 1), 1);
}

const EchoSeries* EchoStore::Find(const std::string& address) const {
    const auto found = indexOf_.find(address);
    return found == indexOf_.end() ? nullptr : &series_[found->second];
}

void EchoStore::Add(const EchoRecord& echo) {
    if (EchoSeries* series = SeriesFor(echo.address)) {
        series->Append(echo.sample, echo.hostName);
        ++echoCount_;
        KeepWithinBudget(*series);
    }
    lastPass_ = std::max(lastPass_, echo.sample.pass);
    for (EchoObserver* observer : std::vector<EchoObserver*>(observers_)) observer->EchoAdded(echo);
}

EchoSeries* EchoStore::SeriesFor(const std::string& address) {
    const auto found = indexOf_.find(address);
    if (found != indexOf_.end()) return &series_[found->second];
    if (series_.size() >= kMaxAddresses) return nullptr;
    indexOf_.emplace(address, series_.size());
    return &series_.emplace_back(address, statuses_);
}

// The added echo's series gives up its oldest beyond its share; when a new
// address has made every share smaller, each series gives up its excess.
void EchoStore::KeepWithinBudget(EchoSeries& added) {
    const std::size_t capacity = CapacityPerAddress();
    const auto trim = [this, capacity](EchoSeries& series) {
        const std::size_t before = series.Size();
        series.KeepNewest(capacity);
        echoCount_ -= before - series.Size();
    };
    trim(added);
    if (echoCount_ <= echoBudget_) return;
    for (EchoSeries& series : series_) trim(series);
}

void EchoStore::Clear() {
    series_.clear();
    indexOf_.clear();
    echoCount_ = 0;
    lastPass_ = -1;
    for (EchoObserver* observer : std::vector<EchoObserver*>(observers_)) observer->EchoesCleared();
}

void EchoStore::AddObserver(EchoObserver& observer) { observers_.push_back(&observer); }

void EchoStore::RemoveObserver(EchoObserver& observer) { std::erase(observers_, &observer); }

}  // namespace velmora
