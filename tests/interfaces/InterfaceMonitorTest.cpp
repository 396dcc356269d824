// The interface window's refresh over a scripted table and a recording view:
// spaced digits, the unchanged-cell rule, the traffic picture, a table that
// changes between reads, and a box that holds the refresh.

#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "interfaces/InterfaceMonitor.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

TEST(SpacedDigits, GroupThreeDigitsFromTheRightWithinThePlaces) {
    const struct {
        const char* name;
        std::uint64_t value;
        int places;
        const char* text;
    } rows[] = {
        {"ZeroIsBlank", 0, 12, ""},
        {"OneGroup", 999, 9, "999"},
        {"TwoGroups", 1234, 12, "1 234"},
        {"NinePlacesFull", 123456789, 9, "123 456 789"},
        {"BeyondNinePlaces", 1000000000, 9, "1000 000 000"},
        {"TwelvePlacesFull", 999999999999, 12, "999 999 999 999"},
        {"BeyondTwelvePlaces", 1234567890123, 12, "1234 567 890 123"},
        {"Uint64Max", std::numeric_limits<std::uint64_t>::max(), 12, "18446744073 709 551 615"},
    };
    for (const auto& row : rows) EXPECT_EQ(SpacedDigits(row.value, row.places), row.text) << row.name;
}

// Keeps what each cell shows, as the list view would, and the rows the last refresh wrote.
class RecordingView : public InterfaceMonitorView {
public:
    std::map<int, std::string> cells;
    std::vector<int> written;
    std::string received, sent;
    int picture = 0;

    void SetRowValue(int row, const std::string& text) override {
        cells[row] = text;
        written.push_back(row);
    }
    void SetTraffic(const std::string& r, const std::string& s) override {
        received = r;
        sent = s;
    }
    void ShowTrafficPicture(int p) override { picture = p; }
    std::string DateTimeText(DateTime value) const override {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(value.time_since_epoch());
        return value == DateTime{} ? "" : "at " + std::to_string(seconds.count());
    }
};

class MonitorTest : public testing::Test {
protected:
    MonitorTest() {
        net.ifRows = {IfRow(1, "lo"), IfRow(2, "eth0")};
        Eth().dwType = 6;
        Eth().dwMtu = 1500;
        Eth().dwSpeed = 1000000000;
        Eth().dwPhysAddrLen = 6;
        Eth().bPhysAddr = {0x00, 0xA0, 0xC9, 0x05, 0x00, 0xFF};
        Eth().dwAdminStatus = 1;
        Eth().dwOperStatus = 5;
        Eth().dwInOctets = 1234;
        Eth().dwInUcastPkts = 10;
        Eth().dwOutOctets = 5000000000;
        Eth().dwOutUcastPkts = 8;
    }

    MIB_IFROW& Eth() { return net.ifRows[1]; }

    // One refresh of the interface at `number`; the rows it wrote, in order.
    std::vector<int> Refresh(std::size_t number = 2) {
        view.written.clear();
        monitor.ShowInterfaceInfo(number);
        return view.written;
    }

    FakeNetworkServices net;
    FakeUiServices ui;
    RecordingView view;
    InterfaceMonitor monitor{view, net, ui};
};

TEST_F(MonitorTest, RewritesOnlyChangedCellsAndLightsThePictureForTheDirectionsThatMoved) {
    // Against the blank baseline: rows holding 0, the zero date or an empty text stay blank.
    EXPECT_EQ(Refresh(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16, 17}));
    const std::map<int, std::string> first{{1, "eth0"},          {2, "2"},     {3, "Ethernet"},    {4, "1500"},
                                           {5, "1000 000 000"},  {6, "00-A0-C9-5-00-FF"},           {7, "Up"},
                                           {8, "Operational"},   {10, "1 234"}, {11, "10"},
                                           {16, "5 000 000 000"}, {17, "8"}};
    EXPECT_EQ(view.cells, first);
    EXPECT_EQ(view.received, "1 234");
    EXPECT_EQ(view.sent, "5 000 000 000");
    EXPECT_EQ(view.picture, 4);  // both counters above the baseline's 0

    Eth().dwOutOctets += 100;
    EXPECT_EQ(Refresh(), std::vector<int>{16});
    EXPECT_EQ(view.picture, 3);
    Eth().dwInOctets += 60;
    Eth().dwLastChange = 90000;
    EXPECT_EQ(Refresh(), (std::vector<int>{9, 10}));
    EXPECT_EQ(view.cells[9], "at 90");
    EXPECT_EQ(view.picture, 2);
    EXPECT_TRUE(Refresh().empty());
    EXPECT_EQ(view.picture, 1);

    // Codes the tables do not hold write nothing: the cells keep their texts.
    Eth().dwType = 71;
    Eth().dwOperStatus = 7;
    EXPECT_TRUE(Refresh().empty());
    EXPECT_EQ(view.cells[3], "Ethernet");

    // The link was re-created: received starts again from a low count, which is no traffic.
    Eth().dwInOctets = 40;
    Eth().dwOutOctets += 1;
    EXPECT_EQ(Refresh(), (std::vector<int>{10, 16}));
    EXPECT_EQ(view.cells[10], "40");
    EXPECT_EQ(view.picture, 3);
}

TEST_F(MonitorTest, APositionThatEitherReadLacksChangesNothingAndValuesFollowThePosition) {
    Refresh();
    const std::map<int, std::string> shown = view.cells;
    Eth().dwInOctets += 1000;
    net.afterIfRead = [this] {
        if (net.ifReads == 3) net.ifRows.pop_back();  // between the two reads of the next refresh
    };
    EXPECT_TRUE(Refresh().empty());
    EXPECT_TRUE(Refresh().empty());  // the interface has gone
    EXPECT_TRUE(Refresh(0).empty());
    EXPECT_EQ(view.cells, shown);
    EXPECT_EQ(view.received, "1 234");

    net.ifRows.push_back(IfRow(3, "wlan0"));
    EXPECT_EQ(Refresh(), (std::vector<int>{1, 2, 4, 5, 6, 8, 10, 11, 16, 17}));
    EXPECT_EQ(view.cells[1], "wlan0");
    EXPECT_EQ(view.cells[5], "");
    EXPECT_EQ(view.cells[8], "Non operational");
}

TEST_F(MonitorTest, AMissingServiceShowsItsMessageOnceWhileTheBoxHoldsTheRefresh) {
    Refresh();
    net.ifResult = ERROR_NOT_SUPPORTED;
    int ticks = 0;
    ui.onMsgBox = [&](const ShownBox&) {
        if (++ticks < 3) monitor.ShowInterfaceInfo(2);  // the timer ticks while the box is up
    };
    EXPECT_TRUE(Refresh().empty());
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace velmora::test
