#include "monitoring/HeatMapGrid.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

bool Worse(const EchoSample& echo, const HeatCell& than) {
    const CellKind kind = KindOf(echo);
    if (kind != than.kind) return kind > than.kind;
    return kind == CellKind::Replied && echo.roundTripUs > than.echo.roundTripUs;
}

std::int64_t FirstPassKept(const EchoStore& store) {
    std::int64_t first = store.LastPass();
    for (std::size_t s = 0; s < store.SeriesCount(); ++s) {
        const EchoSeries& series = store.SeriesAt(s);
        if (!series.Empty()) first = std::min(first, series.At(0).pass);
    }
    return first;
}

}  // namespace

CellKind KindOf(const EchoSample& echo) {
    if (echo.Replied()) return CellKind::Replied;
    return echo.status == IP_REQ_TIMED_OUT ? CellKind::Lost : CellKind::Error;
}

HeatMapGrid BuildHeatMap(const EchoStore& store, std::size_t maxColumns) {
    HeatMapBuilder builder;
    builder.Begin(store, maxColumns);
    builder.AddRows(store, [] { return false; });
    return builder.Take();
}

void HeatMapBuilder::Begin(const EchoStore& store, std::size_t maxColumns) {
    grid_ = HeatMapGrid();
    nextRow_ = 0;
    if (store.EchoCount() == 0 || maxColumns == 0) return;
    grid_.firstPass = FirstPassKept(store);
    const std::int64_t passes = store.LastPass() - grid_.firstPass + 1;
    grid_.passesPerColumn = (passes + std::int64_t(maxColumns) - 1) / std::int64_t(maxColumns);
    grid_.columns = std::size_t((passes + grid_.passesPerColumn - 1) / grid_.passesPerColumn);
    grid_.cells.resize(store.SeriesCount() * grid_.columns);
    for (std::size_t row = 0; row < store.SeriesCount(); ++row) {
        grid_.addresses.push_back(store.SeriesAt(row).Address());
    }
}

bool HeatMapBuilder::AddRows(const EchoStore& store, const std::function<bool()>& outOfTime) {
    const std::size_t rows = std::min(grid_.addresses.size(), store.SeriesCount());
    while (nextRow_ < rows) {
        const std::size_t row = nextRow_++;
        const std::int64_t endPass = grid_.firstPass + std::int64_t(grid_.columns) * grid_.passesPerColumn;
        store.SeriesAt(row).Visit(0, [&](const EchoSample& echo) {
            if (echo.pass < grid_.firstPass || echo.pass >= endPass) return true;
            HeatCell& cell = grid_.cells[row * grid_.columns + grid_.ColumnOf(echo.pass)];
            if (Worse(echo, cell)) cell = HeatCell{KindOf(echo), echo};
            return true;
        });
        if (outOfTime()) return nextRow_ >= rows;
    }
    return true;
}

HeatMapGrid HeatMapBuilder::Take() {
    nextRow_ = 0;
    return std::exchange(grid_, HeatMapGrid());
}

}  // namespace velmora
