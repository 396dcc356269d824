#include "monitoring/Decimation.h"

#include <algorithm>

namespace velmora {

namespace {

void AddTo(EchoColumn& column, const EchoSample& sample) {
    if (!sample.Replied()) {
        ++column.failures;
        return;
    }
    const std::uint32_t us = sample.roundTripUs;
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
    series.Visit(series.FirstAtOrAfter(fromUs), [&](const EchoSample& sample) {
        if (sample.timeUs >= toUs) return false;
        const auto column = std::size_t(double(sample.timeUs - fromUs) / span * double(columns));
        AddTo(out[std::min(column, columns - 1)], sample);
        return true;
    });
    return out;
}

}  // namespace velmora
