#pragma once
// The echoes of one address, oldest first, packed into six bytes each so
// that a long Loop over a whole range fits in memory:
// - a 32-bit code: the round trip in microseconds (or, for a failure, the
//   index of its status in the store's status table), whether it failed,
//   whether the data came back intact, and how many passes on from the echo
//   before it;
// - a 16-bit step: the milliseconds since the echo before it, exact up to
//   32.767 s, in whole seconds beyond (each step is taken from the time the
//   series reads back, so rounding never adds up).
// What the code has no room for (the TTL, the data size, the host name, a
// longer step or pass gap) is kept once for a run of echoes that share it;
// an echo that differs begins a new run. A run also ends after kRunLength
// echoes, so reading one echo back walks at most that many steps.
//
// Times are kept to the millisecond; a round trip longer than 67.108863 s
// reads as that.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "monitoring/EchoRecord.h"
#include "monitoring/RoundTripTally.h"

namespace velmora {

class EchoSeries {
public:
    // The status codes of failed echoes, shared by every series of a store.
    class StatusTable {
    public:
        std::uint32_t IndexOf(std::int32_t status);
        std::int32_t StatusAt(std::uint32_t index) const { return statuses_.at(index); }

    private:
        std::deque<std::int32_t> statuses_;
    };

    EchoSeries(std::string address, StatusTable& statuses);

    const std::string& Address() const { return address_; }
    std::size_t Size() const { return codes_.size(); }
    bool Empty() const { return codes_.empty(); }

    void Append(const EchoSample& sample, const std::string& hostName);
    // Forgets the oldest echoes until at most count are left.
    void KeepNewest(std::size_t count);

    EchoSample At(std::size_t index) const;
    const std::string& HostNameAt(std::size_t index) const;
    // Hands the echoes from index on, oldest first, while visit returns true.
    // A template, so that a walk over millions of echoes costs no call through a pointer each.
    template <typename Visitor>
    void Visit(std::size_t from, Visitor&& visit) const;
    // The index of the first echo at or after the time (Size() when none).
    std::size_t FirstAtOrAfter(std::int64_t timeUs) const;
    // The index of the first echo of the pass or a later one (Size() when none).
    std::size_t FirstOfPassOrLater(std::int64_t pass) const;
    // Hands, from index on, each echo's time, whether it replied, and then its
    // round trip (visit(timeUs, replied, roundTripUs)) while visit returns true:
    // a walk that decodes no status, TTL or data size, for charts over millions.
    template <typename Visitor>
    void VisitRoundTripTimes(std::size_t from, Visitor&& visit) const;
    // Hands the round trip of each reply from index from up to index to, oldest
    // first: a walk over the codes alone, with no time, pass or run decoded, for figures over millions.
    template <typename Visitor>
    void VisitRoundTrips(std::size_t from, std::size_t to, Visitor&& visit) const;
    // The replies' round trips kept, summed (RoundTripTally).
    const RoundTripTally& Tally() const { return tally_; }
    // How many of the oldest echoes were forgotten: the echo once at index i is at i - (Forgotten() now - then).
    std::uint64_t Forgotten() const { return firstSequence_; }
    // How many echoes came (Forgotten() + Size()) and went (Forgotten()):
    // grows with every change, so figures can tell whether they are current.
    std::uint64_t Changes() const { return 2 * firstSequence_ + Size(); }

    static constexpr std::size_t kRunLength = 4096;
    // A walk cut into parts so as not to hold the event loop (a chart's
    // decimation, an address's figures) looks at the clock this often.
    static constexpr std::size_t kEchoesBetweenChecks = 1 << 16;
    static constexpr std::uint32_t kLongestRoundTripUs = (1U << 26) - 1;

private:
    // The code: the value (round trip or status index), two flags, and the pass step on top.
    static constexpr std::uint32_t kValueMask = kLongestRoundTripUs;
    static constexpr std::uint32_t kFailedBit = 1U << 26;
    static constexpr std::uint32_t kIntactBit = 1U << 27;
    static constexpr int kPassStepShift = 28;
    // Steps up to this many milliseconds are kept exact; longer ones in whole seconds.
    static constexpr std::int64_t kExactStepMs = 32767;
    static constexpr std::int64_t kFirstSecondsStep = 33;

    static std::int64_t DecodeStep(std::uint16_t step) {
        if (step <= kExactStepMs) return step;
        return (std::int64_t(step) - 32768 + kFirstSecondsStep) * 1000;
    }
    static std::int64_t PassStep(std::uint32_t code) { return code >> kPassStepShift; }
    static std::optional<std::uint16_t> EncodeStep(std::int64_t stepMs);

    // Echoes that share what the code has no room for; the first one's time and pass in full.
    struct Run {
        std::uint64_t first = 0;  // sequence number of its first echo kept
        std::int64_t timeMs = 0;
        std::int64_t pass = 0;
        std::string hostName;
        bool replied = false;  // the TTL and data size below are its replies'
        std::uint8_t ttl = 0;
        int dataSize = 0;
    };

    bool Fits(const Run& run, const EchoSample& sample, const std::string& hostName, std::int64_t timeMs) const;
    void BeginRun(const EchoSample& sample, std::int64_t timeMs, const std::string& hostName);
    std::size_t RunOf(std::uint64_t sequence) const;
    // The first echo whose key(timeMs, pass) reaches the least: keys that only grow along the series.
    template <typename Key>
    std::size_t FirstReaching(std::int64_t least, Key key) const;
    EchoSample Decode(const Run& run, std::uint32_t code, std::int64_t timeMs, std::int64_t pass) const;
    void DropOldest();
    // Walks the echoes from index on, oldest first, with each one's run,
    // code, time and pass, while walk returns true.
    template <typename Walker>
    void WalkCodes(std::size_t from, Walker&& walk) const;

    std::string address_;
    StatusTable& statuses_;
    std::deque<std::uint32_t> codes_;
    std::deque<std::uint16_t> steps_;
    std::deque<Run> runs_;
    std::uint64_t firstSequence_ = 0;  // sequence number of codes_.front()
    std::int64_t lastTimeMs_ = 0;      // as read back
    std::int64_t lastPass_ = 0;
    RoundTripTally tally_;
};

inline EchoSample EchoSeries::Decode(const Run& run, std::uint32_t code, std::int64_t timeMs, std::int64_t pass) const {
    EchoSample sample;
    sample.timeUs = timeMs * 1000;
    sample.pass = pass;
    const std::uint32_t value = code & kValueMask;
    if (code & kFailedBit) {
        sample.status = statuses_.StatusAt(value);
        return sample;
    }
    sample.status = IP_SUCCESS;
    sample.roundTripUs = value;
    sample.ttl = run.ttl;
    sample.dataSize = run.dataSize;
    sample.dataIntact = (code & kIntactBit) != 0;
    return sample;
}

template <typename Walker>
void EchoSeries::WalkCodes(std::size_t from, Walker&& walk) const {
    if (from >= Size()) return;
    const std::uint64_t start = firstSequence_ + from;
    const std::uint64_t end = firstSequence_ + Size();
    std::size_t r = RunOf(start);
    const auto runStart = std::ptrdiff_t(runs_[r].first - firstSequence_);
    auto code = codes_.begin() + runStart;
    auto step = steps_.begin() + runStart;
    for (; r < runs_.size(); ++r) {
        const Run& run = runs_[r];
        const std::uint64_t runEnd = r + 1 < runs_.size() ? runs_[r + 1].first : end;
        std::int64_t timeMs = run.timeMs;
        std::int64_t pass = run.pass;
        for (std::uint64_t sequence = run.first; sequence < runEnd; ++sequence, ++code, ++step) {
            if (sequence != run.first) {
                timeMs += DecodeStep(*step);
                pass += PassStep(*code);
            }
            if (sequence >= start && !walk(run, *code, timeMs, pass)) return;
        }
    }
}

template <typename Visitor>
void EchoSeries::Visit(std::size_t from, Visitor&& visit) const {
    WalkCodes(from, [this, &visit](const Run& run, std::uint32_t code, std::int64_t timeMs, std::int64_t pass) {
        return visit(Decode(run, code, timeMs, pass));
    });
}

template <typename Visitor>
void EchoSeries::VisitRoundTripTimes(std::size_t from, Visitor&& visit) const {
    WalkCodes(from, [&visit](const Run&, std::uint32_t code, std::int64_t timeMs, std::int64_t) {
        return visit(timeMs * 1000, !(code & kFailedBit), code & kValueMask);
    });
}

template <typename Visitor>
void EchoSeries::VisitRoundTrips(std::size_t from, std::size_t to, Visitor&& visit) const {
    const auto end = codes_.begin() + std::ptrdiff_t(std::min(to, Size()));
    for (auto code = codes_.begin() + std::ptrdiff_t(std::min(from, Size())); code < end; ++code) {
        if (!(*code & kFailedBit)) visit(*code & kValueMask);
    }
}

}  // namespace velmora
