#include "monitoring/HeatMapGrid.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

bool Worse(const EchoSample& echo, const HeatCell& than) {
    const CellKind kind = KindOf(echo);
    if (kind != than.kind) return kind > than.kind;
    return kind == CellKind::Replied && echo.roundTripUs > than.roundTripUs;
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
    HeatMapGrid grid;
    builder.HandOver(grid);
    return grid;
}

std::optional<EchoSample> ShownEcho(const EchoStore& store, const HeatMapGrid& grid, std::size_t row,
                                    std::size_t column) {
    const EchoSeries* series = row < grid.addresses.size() ? store.Find(grid.addresses[row]) : nullptr;
    if (!series || column >= grid.columns) return std::nullopt;
    const std::int64_t firstPass = grid.firstPass + std::int64_t(column) * grid.passesPerColumn;
    std::optional<EchoSample> shown;
    HeatCell worst;
    series->Visit(series->FirstOfPassOrLater(firstPass), [&](const EchoSample& echo) {
        if (echo.pass >= firstPass + grid.passesPerColumn) return false;
        if (Worse(echo, worst)) {
            worst = HeatCell{KindOf(echo), echo.roundTripUs};
            shown = echo;
        }
        return true;
    });
    return shown;
}

void HeatMapBuilder::Begin(const EchoStore& store, std::size_t maxColumns) {
    Empty();
    if (store.EchoCount() == 0 || maxColumns == 0) return;
    grid_.firstPass = FirstPassKept(store);
    const std::int64_t passes = store.LastPass() - grid_.firstPass + 1;
    grid_.passesPerColumn = (passes + std::int64_t(maxColumns) - 1) / std::int64_t(maxColumns);
    grid_.columns = std::size_t((passes + grid_.passesPerColumn - 1) / grid_.passesPerColumn);
    const std::size_t cells = store.SeriesCount() * grid_.columns;
    // Room for a quarter more: the builds of a run that grows a column a pass reuse their storage for many passes.
    if (grid_.cells.capacity() < cells) grid_.cells.reserve(cells + cells / 4);
    grid_.cells.resize(cells);
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
            if (Worse(echo, cell)) cell = HeatCell{KindOf(echo), echo.roundTripUs};
            return true;
        });
        if (outOfTime()) return nextRow_ >= rows;
    }
    return true;
}

void HeatMapBuilder::HandOver(HeatMapGrid& shown) {
    std::swap(grid_, shown);
    Empty();
}

// No rows and no columns; the cells' storage stays for the next build.
void HeatMapBuilder::Empty() {
    nextRow_ = 0;
    grid_.firstPass = 0;
    grid_.passesPerColumn = 1;
    grid_.columns = 0;
    grid_.addresses.clear();
    grid_.cells.clear();
}

}  // namespace velmora
