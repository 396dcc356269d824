// The interface model over a scripted interface table; the window's refresh
// over a recording view (spaced digits, the unchanged-cell rule, the traffic
// picture, a table that changes between reads, the missing service's box);
// and the window as the main window opens it, offscreen.

#include <QComboBox>
#include <QTest>
#include <QTreeWidget>
#include <limits>
#include <map>
#include <stdexcept>

#include "interfaces/CIpHelper.h"
#include "interfaces/InterfaceMonitor.h"
#include "interfaces/frmInterfaceInfo.h"
#include "tests/main_window/WindowTesting.h"
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
        {"NinePlacesFull", 123456789, 9, "123 456 789"},
        {"BeyondNinePlaces", 1000000000, 9, "1000 000 000"},
        {"TwelvePlacesFull", 999999999999, 12, "999 999 999 999"},
        {"BeyondTwelvePlaces", 1234567890123, 12, "1234 567 890 123"},
        {"Uint64Max", std::numeric_limits<std::uint64_t>::max(), 12, "18446744073 709 551 615"},
    };
    for (const auto& row : rows) EXPECT_EQ(SpacedDigits(row.value, row.places), row.text) << row.name;
}

// Names run to their first zero or the whole field, descriptions and adapter
// addresses to their lengths within the record; counters are whole 64-bit values.
TEST(InterfaceModel, RecordsAndTotalsFollowTheTableWithinItsBounds) {
    FakeNetworkServices net;
    FakeUiServices ui;
    MIB_IFROW full = IfRow(1, std::string(256, 'n'), "enp3s0 - Intel Corporation I211");
    full.dwDescrLen = 6;
    full.dwLastChange = 1'764'000'000'123;  // ms since 1970
    full.dwPhysAddrLen = 6;
    full.bPhysAddr = {0x00, 0x50, 0x04, 0x3A, 0x0F, 0xC8};
    MIB_IFROW unicode = IfRow(2, "");
    const std::u16string wide = u"w\u00e4n\U0001F600";
    std::copy(wide.begin(), wide.end(), unicode.wszName.begin());
    MIB_IFROW overlong = IfRow(3, "x", std::string(256, 'd'));
    overlong.dwDescrLen = 1000;
    overlong.dwLastChange = INT64_MAX;
    overlong.dwPhysAddrLen = 1000;
    overlong.bPhysAddr = {1, 2, 3, 4, 5, 6, 7, 0x80};
    full.dwInOctets = 5'000'000'000;  // past 2^32
    full.dwOutOctets = 3'000'000'000;
    unicode.dwInOctets = 7;
    net.ifRows = {full, unicode, overlong};
    CIpHelper helper(net, ui);
    const CInterfaces interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces.Count(), 3u);
    EXPECT_EQ(interfaces.Item(1).OctetsReceived, 5'000'000'000u);
    EXPECT_EQ(helper.BytesReceived(), 5'000'000'007u);
    EXPECT_EQ(helper.BytesSent(), 3'000'000'000u);
    EXPECT_EQ(interfaces.Item(1).InterfaceName, std::string(256, 'n'));
    EXPECT_EQ(interfaces.Item(1).InterfaceDescription, "enp3s0");
    EXPECT_EQ(interfaces.Item(1).AdapterAddress, "00-50-4-3A-F-C8") << "no leading zeros, but a zero byte is 00";
    EXPECT_EQ(interfaces.Item(1).LastChange.time_since_epoch(), std::chrono::milliseconds(1'764'000'000'123));
    EXPECT_EQ(interfaces.Item(2).InterfaceName, "w\u00e4n\U0001F600");
    EXPECT_EQ(interfaces.Item(2).AdapterAddress, "");
    EXPECT_EQ(interfaces.Item(2).LastChange, DateTime{}) << "0: never seen";
    EXPECT_EQ(interfaces.Item(3).InterfaceDescription, std::string(256, 'd'));
    EXPECT_EQ(interfaces.Item(3).AdapterAddress, "1-2-3-4-5-6-7-80");
    EXPECT_EQ(interfaces.Item(3).LastChange, DateTime{}) << "beyond what a date holds";
    EXPECT_THROW(interfaces.Item(4), std::out_of_range);

    net.ifResult = ERROR_GEN_FAILURE;  // quietly: no records, no totals
    EXPECT_EQ(helper.Interfaces().Count(), 0u);
    EXPECT_EQ(helper.BytesReceived(), 0u);
    EXPECT_TRUE(ui.boxes.empty());
}

// Keeps what each cell shows, as the list view would, and the rows the last refresh wrote.
class RecordingView : public InterfaceMonitorView {
public:
    std::map<int, std::string> cells;
    std::vector<int> written;
    std::string traffic;  // received / sent
    int picture = 0;

    void SetRowValue(int row, const std::string& text) override {
        cells[row] = text;
        written.push_back(row);
    }
    void SetTraffic(const std::string& r, const std::string& s) override { traffic = r + " / " + s; }
    void ShowTrafficPicture(int p) override { picture = p; }
    std::string DateTimeText(DateTime value) const override { return value == DateTime{} ? "" : "set"; }
};

class MonitorTest : public testing::Test {
protected:
    MonitorTest() {
        net.ifRows = {IfRow(1, "lo"), IfRow(2, "eth0")};
        Eth().dwType = 6;
        Eth().dwMtu = 1500;
        Eth().dwSpeed = 1000000000;
        Eth().dwAdminStatus = 1;
        Eth().dwOperStatus = 5;
        Eth().dwInOctets = 1234;
        Eth().dwOutOctets = 5000000000;
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
    EXPECT_EQ(Refresh(), (std::vector<int>{1, 2, 3, 4, 5, 7, 8, 10, 16}));
    const std::map<int, std::string> first{{1, "eth0"},        {2, "2"},  {3, "Ethernet"},    {4, "1500"},
                                           {5, "1000 000 000"}, {7, "Up"}, {8, "Operational"}, {10, "1 234"},
                                           {16, "5 000 000 000"}};
    EXPECT_EQ(view.cells, first);
    EXPECT_EQ(view.traffic, "1 234 / 5 000 000 000");
    EXPECT_EQ(view.picture, 4);  // both counters above the baseline's 0

    Eth().dwOutOctets += 100;
    EXPECT_EQ(Refresh(), std::vector<int>{16});
    EXPECT_EQ(view.picture, 3);
    Eth().dwInOctets += 60;
    Eth().dwLastChange = 90000;
    EXPECT_EQ(Refresh(), (std::vector<int>{9, 10}));
    EXPECT_EQ(view.cells[9], "set");
    EXPECT_EQ(view.picture, 2);
    EXPECT_TRUE(Refresh().empty());
    EXPECT_EQ(view.picture, 1);

    // Codes the tables do not hold write nothing: the cells keep their texts.
    Eth().dwType = 70;
    Eth().dwOperStatus = 7;
    EXPECT_TRUE(Refresh().empty());
    EXPECT_EQ(view.cells[3], "Ethernet");
    Eth().dwType = 71;
    EXPECT_EQ(Refresh(), std::vector<int>{3});
    EXPECT_EQ(view.cells[3], "Wireless");
    Eth().dwType = 6;
    Refresh();

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
    EXPECT_EQ(view.cells, shown);

    net.ifRows.push_back(IfRow(3, "wlan0"));
    EXPECT_EQ(Refresh(), (std::vector<int>{1, 2, 4, 5, 8, 10, 16}));
    EXPECT_EQ(view.cells[1], "wlan0");
    EXPECT_EQ(view.cells[5], "") << "no speed";
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
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "IP Helper is not supported by this system.");
}

class InterfaceWindowTest : public WindowTest {
protected:
    void SetUp() override {
        net.ifRows = {IfRow(1, "lo"), IfRow(2, "eth0"), IfRow(3, "eth1")};
        Open();
    }

    frmInterfaceInfo* Info() const { return window->findChild<frmInterfaceInfo*>(); }
    QComboBox& List() const { return *Info()->findChild<QComboBox*>(QStringLiteral("cmbSelInterface")); }
    QString Value(int row) const {
        return Info()->findChild<QTreeWidget*>(QStringLiteral("lvInterfaceInfo"))->topLevelItem(row - 1)->text(1);
    }
    void Reopen() {
        Info()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Item("mnuInterfaceInfo").trigger();
    }
};

// A failed opening shows its box and leaves no window.
TEST_F(InterfaceWindowTest, ReopeningSelectsTheLastChoiceWhileItExistsAndTheMainWindowsUnloadClosesIt) {
    net.afterIfRead = [] { throw std::runtime_error("table gone"); };
    Button(9).trigger();
    EXPECT_EQ(Info(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt + " / " + ui.boxes[0].title, "table gone / Failed to open interface information.");
    net.afterIfRead = nullptr;

    Button(9).trigger();
    EXPECT_EQ(Value(1), "lo") << "the first opening in a run";
    QTest::keyClick(&List(), Qt::Key_Down);
    QTest::keyClick(&List(), Qt::Key_Down);
    ASSERT_TRUE(ui.timers.back()->Fire());
    EXPECT_EQ(Value(1), "eth1");
    Item("mnuInterfaceInfo").trigger();
    EXPECT_EQ(window->findChildren<frmInterfaceInfo*>().size(), 1) << "opening again brings it forward";
    Reopen();
    EXPECT_EQ(Value(1), "eth1");
    net.ifRows.resize(2);  // fewer interfaces than before: the first entry
    Reopen();
    EXPECT_EQ(Value(1), "lo");

    const QPointer<frmInterfaceInfo> open = Info();
    window->close();
    EXPECT_FALSE(open);
}

}  // namespace
}  // namespace velmora::test
