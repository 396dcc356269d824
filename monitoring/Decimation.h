#pragma once
// A series squeezed into pixel columns for drawing: whatever the number of
// echoes, a chart draws at most two points and a mark per column, so a long
// series repaints as fast as a short one. Each column keeps the smallest and
// largest round trip of its replies, the first and last (to join it to its
// neighbours), and how many echoes failed in it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "monitoring/EchoSeries.h"

namespace velmora {

struct EchoColumn {
    std::uint32_t replies = 0;
    std::uint32_t failures = 0;
    std::uint32_t minUs = 0;  // the round trips below: of the replies, when there are any
    std::uint32_t maxUs = 0;
    std::uint32_t firstUs = 0;
    std::uint32_t lastUs = 0;
};

// The echoes from fromUs (inclusive) to toUs (exclusive) in columns of equal
// time; an empty time span or no column gives no columns.
std::vector<EchoColumn> DecimateByTime(const EchoSeries& series, std::int64_t fromUs, std::int64_t toUs,
                                       std::size_t columns);

// DecimateByTime a part at a time, so that tens of millions of echoes never
// hold the event loop for long. Echoes forgotten by the series meanwhile are
// skipped; the span's end is fixed when it begins.
class DecimationBuilder {
public:
    void Begin(const EchoSeries& series, std::int64_t fromUs, std::int64_t toUs, std::size_t columns);
    // Walks on until outOfTime() says so (asked every EchoSeries::kEchoesBetweenChecks
    // echoes); true when the span is done. The same series as Begin's.
    bool Walk(const EchoSeries& series, const std::function<bool()>& outOfTime);
    bool Done() const { return done_; }
    // The columns built; the builder is empty after it.
    std::vector<EchoColumn> Take();

private:
    std::vector<EchoColumn> columns_;
    std::int64_t fromUs_ = 0;
    std::int64_t toUs_ = 0;
    std::uint64_t next_ = 0;  // the next echo to walk, counted as Forgotten() + index
    bool done_ = true;
};

}  // namespace velmora
