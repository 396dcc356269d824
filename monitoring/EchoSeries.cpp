#include "monitoring/EchoSeries.h"

#include <algorithm>
#include <optional>

namespace velmora {

namespace {

constexpr std::int64_t kLongestPassStep = 15;

}  // namespace

std::optional<std::uint16_t> EchoSeries::EncodeStep(std::int64_t stepMs) {
    constexpr std::int64_t kLongestStepMs = (65535 - 32768 + kFirstSecondsStep) * 1000;
    if (stepMs <= kExactStepMs) return std::uint16_t(stepMs);
    const std::int64_t seconds = (stepMs + 500) / 1000;
    if (seconds * 1000 > kLongestStepMs) return std::nullopt;
    return std::uint16_t(32768 + seconds - kFirstSecondsStep);
}

std::uint32_t EchoSeries::StatusTable::IndexOf(std::int32_t status) {
    const auto found = std::find(statuses_.begin(), statuses_.end(), status);
    if (found != statuses_.end()) return std::uint32_t(found - statuses_.begin());
    statuses_.push_back(status);
    return std::uint32_t(statuses_.size() - 1);
}

EchoSeries::EchoSeries(std::string address, StatusTable& statuses)
    : address_(std::move(address)), statuses_(statuses) {}

void EchoSeries::Append(const EchoSample& sample, const std::string& hostName) {
    // A wall clock set back reads as no time passing: times never go back within a series.
    const std::int64_t timeMs = Empty() ? sample.timeUs / 1000 : std::max(sample.timeUs / 1000, lastTimeMs_);
    if (Empty() || !Fits(runs_.back(), sample, hostName, timeMs)) {
        BeginRun(sample, timeMs, hostName);
    } else {
        const std::uint16_t step = *EncodeStep(timeMs - lastTimeMs_);
        steps_.push_back(step);
        lastTimeMs_ += DecodeStep(step);
    }
    Run& run = runs_.back();
    std::uint32_t code = std::uint32_t(sample.pass - lastPass_) << kPassStepShift;
    if (sample.Replied()) {
        if (!run.replied) {
            run.replied = true;
            run.ttl = sample.ttl;
            run.dataSize = sample.dataSize;
        }
        const std::uint32_t roundTripUs = std::min(sample.roundTripUs, kLongestRoundTripUs);
        code |= roundTripUs;
        tally_.Add(roundTripUs);
        if (sample.dataIntact) code |= kIntactBit;
    } else {
        code |= kFailedBit | (statuses_.IndexOf(sample.status) & kValueMask);
    }
    codes_.push_back(code);
    lastPass_ = sample.pass;
}

bool EchoSeries::Fits(const Run& run, const EchoSample& sample, const std::string& hostName,
                      std::int64_t timeMs) const {
    const std::uint64_t nextSequence = firstSequence_ + Size();
    const std::int64_t passStep = sample.pass - lastPass_;
    const bool sameReplyShape =
        !sample.Replied() || !run.replied || (run.ttl == sample.ttl && run.dataSize == sample.dataSize);
    return nextSequence - run.first < kRunLength && run.hostName == hostName && passStep >= 0 &&
           passStep <= kLongestPassStep && sameReplyShape && EncodeStep(timeMs - lastTimeMs_).has_value();
}

// The run's first echo keeps its time and pass in the run: its step and pass step are 0.
void EchoSeries::BeginRun(const EchoSample& sample, std::int64_t timeMs, const std::string& hostName) {
    Run run;
    run.first = firstSequence_ + Size();
    run.timeMs = timeMs;
    run.pass = sample.pass;
    run.hostName = hostName;
    runs_.push_back(std::move(run));
    steps_.push_back(0);
    lastTimeMs_ = timeMs;
    lastPass_ = sample.pass;
}

void EchoSeries::KeepNewest(std::size_t count) {
    while (Size() > count) DropOldest();
}

// The run that held the oldest echo now starts at the next one, with that one's time and pass.
void EchoSeries::DropOldest() {
    if (!(codes_.front() & kFailedBit)) tally_.Remove(codes_.front() & kValueMask);
    codes_.pop_front();
    steps_.pop_front();
    ++firstSequence_;
    if (Empty()) {
        runs_.clear();
        return;
    }
    if (runs_.size() > 1 && runs_[1].first == firstSequence_) {
        runs_.pop_front();
        return;
    }
    Run& run = runs_.front();
    run.first = firstSequence_;
    run.timeMs += DecodeStep(steps_.front());
    run.pass += PassStep(codes_.front());
}

std::size_t EchoSeries::RunOf(std::uint64_t sequence) const {
    const auto after =
        std::partition_point(runs_.begin(), runs_.end(), [sequence](const Run& run) { return run.first <= sequence; });
    return std::size_t(after - runs_.begin()) - 1;
}

EchoSample EchoSeries::At(std::size_t index) const {
    EchoSample found;
    Visit(index, [&found](const EchoSample& sample) {
        found = sample;
        return false;
    });
    return found;
}

const std::string& EchoSeries::HostNameAt(std::size_t index) const {
    return runs_.at(RunOf(firstSequence_ + index)).hostName;
}

// Neither times nor passes go back within a series, so the last run that
// begins below the least holds the first echo that reaches it, or the next run begins with it.
template <typename Key>
std::size_t EchoSeries::FirstReaching(std::int64_t least, Key key) const {
    const auto after = std::partition_point(runs_.begin(), runs_.end(),
                                            [&](const Run& run) { return key(run.timeMs, run.pass) < least; });
    if (after == runs_.begin()) return 0;
    std::size_t found = Size();
    std::size_t index = std::size_t(std::prev(after)->first - firstSequence_);
    WalkCodes(index, [&](const Run&, std::uint32_t, std::int64_t timeMs, std::int64_t pass) {
        if (key(timeMs, pass) >= least) {
            found = index;
            return false;
        }
        ++index;
        return true;
    });
    return found;
}

std::size_t EchoSeries::FirstAtOrAfter(std::int64_t timeUs) const {
    return FirstReaching(timeUs, [](std::int64_t timeMs, std::int64_t) { return timeMs * 1000; });
}

std::size_t EchoSeries::FirstOfPassOrLater(std::int64_t pass) const {
    return FirstReaching(pass, [](std::int64_t, std::int64_t echoPass) { return echoPass; });
}

}  // namespace velmora
