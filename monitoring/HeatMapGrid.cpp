#include "monitoring/HeatMapGrid.h"

#include <algorithm>

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
    HeatMapGrid grid;
    if (store.EchoCount() == 0 || maxColumns == 0) return grid;
    grid.firstPass = FirstPassKept(store);
    const std::int64_t passes = store.LastPass() - grid.firstPass + 1;
    grid.passesPerColumn = (passes + std::int64_t(maxColumns) - 1) / std::int64_t(maxColumns);
    grid.columns = std::size_t((passes + grid.passesPerColumn - 1) / grid.passesPerColumn);
    grid.cells.resize(store.SeriesCount() * grid.columns);
    for (std::size_t row = 0; row < store.SeriesCount(); ++row) {
        const EchoSeries& series = store.SeriesAt(row);
        grid.addresses.push_back(series.Address());
        series.Visit(0, [&](const EchoSample& echo) {
            HeatCell& cell = grid.cells[row * grid.columns + grid.ColumnOf(echo.pass)];
            if (Worse(echo, cell)) cell = HeatCell{KindOf(echo), echo};
            return true;
        });
    }
    return grid;
}

}  // namespace velmora
