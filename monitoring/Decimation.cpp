#include "monitoring/Decimation.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

void AddTo(EchoColumn& column, bool replied, std::uint32_t us) {
    if (!replied) {
        ++column.failures;
        return;
    }
    if (column.replies == 0) {
        column.minUs = column.maxUs = column.firstUs = us;
    } else {
        column.minUs = std::min(column.minUs, us);
        column.maxUs = std::max(column.maxUs, us);
    }
    column.lastUs = us;
    ++column.replies;
}

}  // namespace

std::vector<EchoColumn> DecimateByTime(const EchoSeries& series, std::int64_t fromUs, std::int64_t toUs,
                                       std::size_t columns) {
    DecimationBuilder builder;
    builder.Begin(series, fromUs, toUs, columns);
    builder.Walk(series, [] { return false; });
    return builder.Take();
}

void DecimationBuilder::Begin(const EchoSeries& series, std::int64_t fromUs, std::int64_t toUs, std::size_t columns) {
    done_ = columns == 0 || toUs <= fromUs;
    columns_.assign(done_ ? 0 : columns, EchoColumn());
    fromUs_ = fromUs;
    toUs_ = toUs;
    next_ = series.Forgotten() + series.FirstAtOrAfter(fromUs);
}

bool DecimationBuilder::Walk(const EchoSeries& series, const std::function<bool()>& outOfTime) {
    const auto span = double(toUs_ - fromUs_);
    const std::size_t count = columns_.size();
    while (!done_) {
        const std::uint64_t from = std::max(next_, series.Forgotten());
        std::size_t walked = 0;
        done_ = true;
        series.VisitRoundTripTimes(std::size_t(from - series.Forgotten()),
                                   [&](std::int64_t timeUs, bool replied, std::uint32_t us) {
                                       if (timeUs >= toUs_) return false;
                                       const auto column = std::size_t(double(timeUs - fromUs_) / span * double(count));
                                       AddTo(columns_[std::min(column, count - 1)], replied, us);
                                       if (++walked < EchoSeries::kEchoesBetweenChecks) return true;
                                       done_ = false;
                                       return false;
                                   });
        next_ = from + walked;
        if (!done_ && outOfTime()) return false;
    }
    return true;
}

std::vector<EchoColumn> DecimationBuilder::Take() {
    done_ = true;
    return std::exchange(columns_, {});
}

}  // namespace velmora
