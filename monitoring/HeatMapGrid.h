#pragma once
// The heat map of a range as a grid: one row per address in range order, one
// column per pass, or per group of passes when there are more passes than
// columns. A cell that holds several echoes shows the worst of them: an
// error before a loss before the longest round trip.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitoring/EchoStore.h"

namespace velmora {

enum class CellKind : std::uint8_t { Empty, Replied, Lost, Error };

// Eight bytes, so that a grid of a range by a plot's width of passes stays small:
// the echo itself is read back from the store when someone asks (ShownEcho).
struct HeatCell {
    CellKind kind = CellKind::Empty;
    std::uint32_t roundTripUs = 0;  // of the reply shown
};

// A loss is an echo that got no answer at all; any other failure is an error.
CellKind KindOf(const EchoSample& echo);

struct HeatMapGrid {
    std::int64_t firstPass = 0;
    std::int64_t passesPerColumn = 1;
    std::size_t columns = 0;
    std::vector<std::string> addresses;  // the rows
    std::vector<HeatCell> cells;         // row after row

    const HeatCell& At(std::size_t row, std::size_t column) const { return cells.at(row * columns + column); }
    std::size_t ColumnOf(std::int64_t pass) const { return std::size_t((pass - firstPass) / passesPerColumn); }
};

// The data set's kept passes in at most maxColumns columns.
HeatMapGrid BuildHeatMap(const EchoStore& store, std::size_t maxColumns);

// The echo a cell of the grid shows, as the store holds it now: the worst of
// its address's echoes in the column's passes; none once they are forgotten.
std::optional<EchoSample> ShownEcho(const EchoStore& store, const HeatMapGrid& grid, std::size_t row,
                                    std::size_t column);

// Builds the grid a few rows at a time, so that a range's whole history
// never holds the event loop for long. Its rows and columns are those of
// the data set when it began: echoes that come meanwhile for passes beyond
// them, or for new addresses, wait for the next build. A build reuses the
// storage of the grid shown before it, so that redrawing a large grid
// every second does not ask the system for fresh memory each time.
class HeatMapBuilder {
public:
    void Begin(const EchoStore& store, std::size_t maxColumns);
    // Fills rows, row after row, until outOfTime() says so after one; true
    // when every row is in. After the store was cleared, begin again.
    bool AddRows(const EchoStore& store, const std::function<bool()>& outOfTime);
    bool Done() const { return nextRow_ >= grid_.addresses.size(); }
    // Swaps the grid built with the one shown until now, whose storage the next build reuses.
    void HandOver(HeatMapGrid& shown);

private:
    void Empty();

    HeatMapGrid grid_;
    std::size_t nextRow_ = 0;
};

}  // namespace velmora
