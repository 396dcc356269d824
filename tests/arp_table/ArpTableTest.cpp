// The ARP table reader's rules over scripted tables, the window and its delete
// question over the fakes, offscreen, and the main window's command that opens it.

#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <stdexcept>

#include "arp_table/ArpTableReader.h"
#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kAddress = AddressFromOctets(192, 168, 0, 1);

// Interface 7 is "eth0 - Adapter"; every other index is missing from the interface table.
TEST(ArpTableReader, RowTextsFollowTheRules) {
    MIB_IPNETROW overlong = ArpEntry(7, kAddress, 3, {1, 2, 3, 4, 5, 6, 7, 0xFF});
    overlong.dwPhysAddrLen = 4000;  // the record holds eight bytes
    const struct {
        const char* name;
        MIB_IPNETROW entry;
        const char* texts;
    } rows[] = {
        {"six bytes, dynamic", ArpEntry(7, kAddress), "eth0 - Adapter|192.168.0.1|0.A.95.9D.68.16|Dynamic"},
        {"one byte, other", ArpEntry(7, kAddress, 1, {0x0A}), "eth0 - Adapter|192.168.0.1|A|Other"},
        {"zeros, invalid", ArpEntry(7, kAddress, 2, {0, 0}), "eth0 - Adapter|192.168.0.1|0.0|Invalid"},
        {"no address, static", ArpEntry(7, kAddress, 4, {}), "eth0 - Adapter|192.168.0.1||Static"},
        {"type five", ArpEntry(7, kAddress, 5, {0x10}), "eth0 - Adapter|192.168.0.1|10|"},
        {"unknown index as an address", ArpEntry(16777219, kAddress), "3.0.0.1|192.168.0.1|0.A.95.9D.68.16|Dynamic"},
        {"overlong length", overlong, "eth0 - Adapter|192.168.0.1|1.2.3.4.5.6.7.FF|Dynamic"},
    };
    for (const auto& row : rows) {
        FakeNetworkServices net;
        FakeUiServices ui;
        net.ifRows = {IfRow(7, "eth0", "eth0 - Adapter")};
        net.arpRows = {row.entry};
        const auto read = ArpTableReader(net, ui).GetArpTabel();
        ASSERT_EQ(read.size(), 1u) << row.name;
        const auto& texts = read[0].texts;
        EXPECT_EQ(texts[0] + "|" + texts[1] + "|" + texts[2] + "|" + texts[3], row.texts) << row.name;
    }
}

TEST(ArpTableReader, AFailureWhileBuildingKeepsTheRowsSoFarAndSaysWhy) {
    class FailingLookUp : public FakeNetworkServices {
    public:
        int calls = 0;
        std::string inet_ntoa(std::uint32_t address) override {
            if (++calls == 3) throw std::runtime_error("Out of memory");
            return FakeNetworkServices::inet_ntoa(address);
        }
    } net;
    FakeUiServices ui;
    net.arpRows = {ArpEntry(7, kAddress), ArpEntry(7, kAddress + 1), ArpEntry(7, kAddress + 2)};
    EXPECT_EQ(ArpTableReader(net, ui).GetArpTabel().size(), 1u) << "the first row; the second fails";
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt + "|" + ui.boxes[0].title, "Out of memory|Failed to get arp table.");
    EXPECT_EQ(ui.boxes[0].style, vbCritical);
}

std::uint32_t Host(int last) { return AddressFromOctets(10, 0, 0, std::uint8_t(last)); }

class ArpWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    // Odd hosts on "eth0 - Adapter", even ones on "lo".
    void SetTable(std::initializer_list<int> lasts) {
        net.ifRows = {IfRow(1, "lo", "lo"), IfRow(2, "eth0", "eth0 - Adapter")};
        net.arpRows.clear();
        for (const int last : lasts) net.arpRows.push_back(ArpEntry(std::uint32_t(last % 2 + 1), Host(last)));
    }

    void Open(std::initializer_list<int> lasts) {
        SetTable(lasts);
        window = std::make_unique<frmArpTable>(net, ui, deleteNoAsk);
        window->InitArpTabel();
        window->GetArpTabel();
        window->show();
    }

    QTreeWidget& List() const { return *window->findChild<QTreeWidget*>(QStringLiteral("ListView1")); }
    QString Addresses() const {
        QStringList texts;
        for (int i = 0; i < List().topLevelItemCount(); ++i) texts << List().topLevelItem(i)->text(1);
        return texts.join(u' ');
    }
    void ClickHeader(int column) {
        QHeaderView& header = *List().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(column - 1) + 5, header.height() / 2));
    }
    // Deletes by the Delete key or the menu, answering the question, if one comes, with `answer` (a
    // button's name, or "Escape") and "Do not ask me that again." set to `doNotAsk`.
    void Delete(QAction* menuItem = nullptr) {
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<frmDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            questions.push_back((dialog->windowTitle() + u'|' + dialog->findChild<QLabel*>()->text()).toStdString());
            dialog->findChild<QCheckBox*>()->setChecked(doNotAsk);
            if (answer == std::string("Escape")) return QTest::keyClick(dialog, Qt::Key_Escape);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(answer)), Qt::LeftButton);
        });
        if (menuItem) {
            menuItem->trigger();
        } else {
            QTest::keyClick(&List(), Qt::Key_Delete);
        }
        QCoreApplication::processEvents();
    }

    // "SortDown", "SortUp" or "" for the header image of a 1-based column.
    std::string HeaderImage(int column) const {
        const QImage shown = List().headerItem()->icon(column - 1).pixmap(16).toImage();
        for (const char* name : {"SortDown", "SortUp"}) {
            if (shown == QIcon(QStringLiteral(":/sort/") + name + ".png").pixmap(16).toImage()) return name;
        }
        return shown.isNull() ? "" : "other";
    }

    FakeNetworkServices net;
    FakeUiServices ui;
    bool deleteNoAsk = false;
    std::vector<std::string> questions;
    const char* answer = "OKButton";
    bool doNotAsk = false;
    std::unique_ptr<frmArpTable> window;  // after the fakes: goes before them
};

TEST_F(ArpWindowTest, OpensWithItsColumnsAndEveryColumnClickFlipsTheOrderAndMovesTheImage) {
    Open({2, 10, 9});
    EXPECT_EQ(window->windowTitle(), "ARP Table Information");
    QStringList captions;
    for (int column = 0; column < List().columnCount(); ++column) captions << List().headerItem()->text(column);
    EXPECT_EQ(captions.join(u'|'), "Interface|IP Address|Physical Address|ARP Type");
    EXPECT_EQ(ui.timers.back()->interval, 5000);
    ClickHeader(2);
    EXPECT_EQ(Addresses(), "10.0.0.9 10.0.0.2 10.0.0.10");
    EXPECT_EQ(HeaderImage(2), "SortDown");
    ClickHeader(2);
    EXPECT_EQ(Addresses(), "10.0.0.10 10.0.0.2 10.0.0.9");
    EXPECT_EQ(HeaderImage(2), "SortUp");
    ClickHeader(1);  // descending by interface: "lo" before "eth0 - Adapter" (10.0.0.9)
    EXPECT_TRUE(Addresses().endsWith("10.0.0.9"));
    EXPECT_EQ(HeaderImage(1), "SortDown");
    EXPECT_EQ(HeaderImage(2), "");
    SetTable({3, 5, 4});
    ASSERT_TRUE(ui.timers.back()->Fire());
    EXPECT_TRUE(Addresses().startsWith("10.0.0.4")) << "new rows sorted too";
}

TEST_F(ArpWindowTest, DeleteAsksNamingTheRowShownDeletesOnOkAndDoNotAskSkipsTheQuestionFromThenOn) {
    Open({2, 10, 9});
    Delete();  // rows, none selected: nothing to name
    EXPECT_TRUE(questions.empty());
    ClickHeader(2);  // 10.0.0.9, 10.0.0.2, 10.0.0.10
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualItemRect(List().topLevelItem(0)).center());
    answer = "CancelButton";
    doNotAsk = true;
    Delete();
    EXPECT_EQ(questions, std::vector<std::string>{"Delete Warning|Do you want to delete entry 10.0.0.9 from table?"});
    EXPECT_TRUE(net.deleted.empty());
    EXPECT_FALSE(deleteNoAsk) << "only OK takes the check box";
    answer = "Escape";
    Delete();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_TRUE(net.deleted.empty()) << "Escape is Cancel";

    answer = "OKButton";
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QMenu& menu = *window->findChild<QMenu*>(QStringLiteral("popMenu"));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    Delete(window->findChild<QAction*>(QStringLiteral("popDeleteEntry")));
    ASSERT_EQ(net.deleted.size(), 1u);
    EXPECT_EQ(std::pair(net.deleted[0].dwIndex, net.deleted[0].dwAddr), std::pair(2u, Host(9)));
    EXPECT_TRUE(deleteNoAsk);
    EXPECT_EQ(Addresses(), "10.0.0.2 10.0.0.10") << "read again at once";
    EXPECT_TRUE(List().topLevelItem(0)->isSelected()) << "the position selected before";

    net.deleteResult = ERROR_ACCESS_DENIED;
    const int reads = net.arpReads;
    Delete();
    EXPECT_EQ(questions.size(), 3u) << "no fourth question";
    EXPECT_EQ(net.arpReads, reads) << "a refusal leaves the list";
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt + " / " + ui.boxes[0].title, "Failed to delete entry / Error #5");
    window->findChild<QAction*>(QStringLiteral("popRefreshTable"))->trigger();
    EXPECT_EQ(net.arpReads, reads + 1);
}

TEST_F(WindowTest, ArpCommandOpensOneWindowRefillsItAndUnloadClosesIt) {
    net.arpRows = {ArpEntry(1, Host(2))};
    Open().show();
    Item("mnuArpTable").trigger();
    net.arpRows.push_back(ArpEntry(1, Host(3)));
    Button(8).trigger();
    QList<frmArpTable*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* arp = qobject_cast<frmArpTable*>(widget); arp && arp->isVisible()) shown << arp;
    }
    ASSERT_EQ(shown.size(), 1) << "one window";
    const QPointer<frmArpTable> arp = shown[0];
    EXPECT_EQ(arp->findChild<QTreeWidget*>()->topLevelItemCount(), 2) << "refilled";
    Exit();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(arp.isNull());
}

}  // namespace
}  // namespace velmora::test
