#include "monitoring/Decimation.h"

#include <algorithm>

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
    if (columns == 0 || toUs <= fromUs) return {};
    std::vector<EchoColumn> out(columns);
    const auto span = double(toUs - fromUs);
    const std::size_t first = series.FirstAtOrAfter(fromUs);
    series.VisitRoundTripTimes(first, [&](std::int64_t timeUs, bool replied, std::uint32_t us) {
        if (timeUs >= toUs) return false;
        const auto column = std::size_t(double(timeUs - fromUs) / span * double(columns));
        AddTo(out[std::min(column, columns - 1)], replied, us);
        return true;
    });
    return out;
}

}  // namespace velmora
