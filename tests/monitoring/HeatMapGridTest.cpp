#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "monitoring/HeatMapGrid.h"

namespace velmora {
namespace {

EchoRecord Echo(const std::string& address, std::int64_t pass, std::int32_t status, std::uint32_t roundTripUs = 0) {
    EchoRecord echo;
    echo.address = address;
    echo.sample.timeUs = 1'800'000'000'000'000 + pass * 1'000'000;
    echo.sample.pass = pass;
    echo.sample.status = status;
    echo.sample.roundTripUs = roundTripUs;
    return echo;
}

// Rows in the order the addresses came; a cell of several passes shows the
// worst: an error before a loss before the longest round trip.
TEST(HeatMapGrid, RowsInRangeOrderAndEachCellShowsItsWorstEcho) {
    const struct {
        const char* name;
        std::vector<EchoRecord> passes;  // of 10.0.0.2, passes 0 and 1 (one column of two)
        CellKind kind;
        std::int64_t shownPass;
    } rows[] = {
        {"LongerReplyWins", {Echo("", 0, IP_SUCCESS, 900), Echo("", 1, IP_SUCCESS, 1200)}, CellKind::Replied, 1},
        {"LossBeatsAReply", {Echo("", 0, IP_REQ_TIMED_OUT), Echo("", 1, IP_SUCCESS, 1200)}, CellKind::Lost, 0},
        {"ErrorBeatsALoss", {Echo("", 0, IP_REQ_TIMED_OUT), Echo("", 1, IP_DEST_HOST_UNREACHABLE)}, CellKind::Error, 1},
        {"FirstOfEqualsStays", {Echo("", 0, IP_REQ_TIMED_OUT), Echo("", 1, IP_REQ_TIMED_OUT)}, CellKind::Lost, 0},
    };
    for (const auto& row : rows) {
        EchoStore store;
        for (EchoRecord echo : row.passes) {
            store.Add(Echo("10.0.0.9", echo.sample.pass, IP_SUCCESS, 5));
            echo.address = "10.0.0.2";
            store.Add(echo);
        }
        const HeatMapGrid grid = BuildHeatMap(store, 1);
        EXPECT_EQ(grid.addresses, (std::vector<std::string>{"10.0.0.9", "10.0.0.2"})) << row.name;
        ASSERT_EQ(grid.columns, 1u) << row.name;
        EXPECT_EQ(grid.passesPerColumn, 2) << row.name;
        EXPECT_EQ(grid.At(1, 0).kind, row.kind) << row.name;
        const std::optional<EchoSample> shown = ShownEcho(store, grid, 1, 0);
        ASSERT_TRUE(shown) << row.name;
        EXPECT_EQ(shown->pass, row.shownPass) << row.name;
    }
}

// Passes that are no longer kept have no column; a pass without an echo of
// an address leaves its cell empty. A cell's echo is read back from the store
// as it is when asked: none once the store forgot it.
TEST(HeatMapGrid, ColumnsSpanTheKeptPasses) {
    EchoStore store(4);
    for (std::int64_t pass = 0; pass < 6; ++pass) store.Add(Echo("10.0.0.1", pass, IP_SUCCESS, 100 + pass));
    store.Add(Echo("10.0.0.2", 5, IP_SUCCESS, 100));
    const HeatMapGrid grid = BuildHeatMap(store, 100);
    EXPECT_EQ(grid.firstPass, 4);
    ASSERT_EQ(grid.columns, 2u);
    EXPECT_EQ(grid.At(1, 0).kind, CellKind::Empty);
    EXPECT_EQ(grid.At(1, 1).kind, CellKind::Replied);
    EXPECT_EQ(grid.At(0, 1).roundTripUs, 105u);
    EXPECT_FALSE(ShownEcho(store, grid, 1, 0));
    EXPECT_EQ(ShownEcho(store, grid, 0, 1)->roundTripUs, 105u);
    for (std::int64_t pass = 6; pass < 9; ++pass) store.Add(Echo("10.0.0.1", pass, IP_SUCCESS, 100));
    EXPECT_FALSE(ShownEcho(store, grid, 0, 0)) << "pass 4 is forgotten";
    EXPECT_FALSE(ShownEcho(store, grid, 2, 0)) << "no such row";
}

// Out of time after each row, a build fills one row a call. Echoes that come
// meanwhile, of a later pass or a new address, wait for the next build.
TEST(HeatMapGrid, ABuildGoesRowByRowOverTheDataSetAsItBegan) {
    EchoStore store;
    for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) store.Add(Echo(address, 0, IP_SUCCESS, 100));
    HeatMapBuilder builder;
    builder.Begin(store, 10);
    const struct {
        const char* name;
        bool done;
    } steps[] = {{"FirstRow", false}, {"SecondRow", false}, {"LastRow", true}};
    for (const auto& step : steps) {
        store.Add(Echo("10.0.0.1", 1, IP_REQ_TIMED_OUT));
        store.Add(Echo(std::string("10.0.1.") + step.name, 1, IP_SUCCESS, 100));
        EXPECT_EQ(builder.AddRows(store, [] { return true; }), step.done) << step.name;
        EXPECT_EQ(builder.Done(), step.done) << step.name;
    }
    HeatMapGrid grid;
    builder.HandOver(grid);
    ASSERT_EQ(grid.columns, 1u);
    EXPECT_EQ(grid.addresses, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(grid.At(row, 0).kind, CellKind::Replied) << row;

    // The next build, in the storage of the grid before, leaves the grid shown as it is until it is handed over.
    builder.Begin(store, 10);
    EXPECT_FALSE(builder.Done());
    builder.AddRows(store, [] { return false; });
    EXPECT_EQ(grid.columns, 1u);
    builder.HandOver(grid);
    ASSERT_EQ(grid.columns, 2u);
    ASSERT_EQ(grid.addresses.size(), 6u);
    EXPECT_EQ(grid.At(0, 1).kind, CellKind::Lost);
    EXPECT_EQ(grid.At(1, 1).kind, CellKind::Empty);
    EXPECT_EQ(grid.At(5, 1).kind, CellKind::Replied);
}

}  // namespace
}  // namespace velmora
