// The ARP table window and its dialog over the fakes, offscreen: the sort
// sequence with its header images, the remembered selection, deletes with and
// without the question, the boxes of a refused delete and a missing service,
// and the main window's command that opens, refills and closes it.

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QCheckBox>
#include <QTest>
#include <QTreeWidget>

#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

std::uint32_t Host(std::uint8_t last) { return AddressFromOctets(10, 0, 0, last); }

class ArpWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override { net.ifRows = {IfRow(1, "lo", "lo"), IfRow(2, "eth0", "eth0 - Adapter")}; }

    void SetTable(std::initializer_list<std::uint8_t> lasts) {
        net.arpRows.clear();
        for (const std::uint8_t last : lasts) net.arpRows.push_back(ArpEntry(last % 2 + 1, Host(last)));
    }

    void Open() {
        ConfirmDelete confirm = [this](QWidget&, const std::string& caption, const std::string& question, bool& flag) {
            questions.push_back(caption + "|" + question);
            if (checkDoNotAsk) flag = true;
            return answer;
        };
        window = std::make_unique<frmArpTable>(net, ui, deleteNoAsk, confirm);
        window->InitArpTabel();
        window->GetArpTabel();
        window->show();
    }

    QTreeWidget& List() const { return *window->findChild<QTreeWidget*>(QStringLiteral("ListView1")); }

    std::vector<std::string> Addresses() const {
        std::vector<std::string> texts;
        for (int i = 0; i < List().topLevelItemCount(); ++i) texts.push_back(List().topLevelItem(i)->text(1).toStdString());
        return texts;
    }

    void ClickHeader(int column) {
        QHeaderView& header = *List().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(column - 1) + 5, header.height() / 2));
    }
    void ClickRow(int position) {
        QTreeWidgetItem* item = List().topLevelItem(position - 1);
        List().scrollToItem(item);
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, List().visualItemRect(item).center());
    }
    int SelectedPosition() const {
        const auto selected = List().selectedItems();
        return selected.isEmpty() ? 0 : List().indexOfTopLevelItem(selected.front()) + 1;
    }
    void Tick() { ui.timers.back()->handler(); }
    void PressDelete() { QTest::keyClick(&List(), Qt::Key_Delete); }

    // "SortDown", "SortUp" or "" for the header image of a 1-based column.
    std::string HeaderImage(int column) const {
        const QIcon icon = List().headerItem()->icon(column - 1);
        if (icon.isNull()) return "";
        const QImage shown = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        for (const char* name : {"SortDown", "SortUp"}) {
            const QImage image = QImage(QStringLiteral(":/sort/%1.png").arg(QLatin1String(name)))
                                     .convertToFormat(QImage::Format_ARGB32);
            if (shown == image) return name;
        }
        return "other";
    }

    FakeNetworkServices net;
    FakeUiServices ui;
    bool deleteNoAsk = false;
    std::vector<std::string> questions;
    std::uint8_t answer = kDialogOK;
    bool checkDoNotAsk = false;
    std::unique_ptr<frmArpTable> window;  // after the fakes: goes before them
};

TEST_F(ArpWindowTest, OpensWithItsColumnsAndRefreshesEveryFiveSeconds) {
    SetTable({2, 3});
    Open();
    EXPECT_EQ(window->windowTitle(), "ARP Table Information");
    QStringList captions;
    for (int column = 0; column < List().columnCount(); ++column) captions << List().headerItem()->text(column);
    EXPECT_EQ(captions.join(u'|'), "Interface|IP Address|Physical Address|ARP Type");
    EXPECT_EQ(List().columnWidth(0), 120);
    EXPECT_EQ(List().columnWidth(2), 133);
    EXPECT_EQ(List().topLevelItem(0)->text(0), "lo");
    EXPECT_EQ(ui.timers.back()->interval, 5000);
    EXPECT_TRUE(ui.timers.back()->enabled);
    SetTable({2, 3, 4});
    Tick();
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.2", "10.0.0.3", "10.0.0.4"}));
}

TEST_F(ArpWindowTest, EveryColumnClickFlipsTheOrderAndMovesTheImage) {
    SetTable({2, 10, 9});
    Open();
    ClickHeader(2);
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.9", "10.0.0.2", "10.0.0.10"}));
    EXPECT_EQ(HeaderImage(2), "SortDown");
    ClickHeader(2);
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.10", "10.0.0.2", "10.0.0.9"}));
    EXPECT_EQ(HeaderImage(2), "SortUp");
    ClickHeader(1);  // descending by interface: "lo" before "eth0 - Adapter" (10.0.0.9)
    EXPECT_EQ(Addresses().back(), "10.0.0.9");
    EXPECT_EQ(HeaderImage(1), "SortDown");
    EXPECT_EQ(HeaderImage(2), "");
    SetTable({3, 5, 4});
    Tick();
    EXPECT_EQ(Addresses().front(), "10.0.0.4") << "new rows sorted too";

    window->InitArpTabel();  // opened again: no images, the sort stays
    window->GetArpTabel();
    EXPECT_EQ(HeaderImage(1), "");
    EXPECT_EQ(Addresses().front(), "10.0.0.4");
}

TEST_F(ArpWindowTest, SelectionFollowsTheRememberedPositionThroughRefreshes) {
    SetTable({2, 3, 4, 5});
    Open();
    ClickRow(3);
    SetTable({9, 8, 7, 6});
    Tick();
    EXPECT_EQ(SelectedPosition(), 3);
    SetTable({2, 3});
    Tick();
    EXPECT_EQ(SelectedPosition(), 0) << "fewer rows than the position";
    net.arpRows.clear();
    for (int i = 1; i <= 300; ++i) net.arpRows.push_back(ArpEntry(1, AddressFromOctets(10, 0, std::uint8_t(i / 256), std::uint8_t(i))));
    Tick();
    ClickRow(300);
    Tick();
    EXPECT_EQ(SelectedPosition(), 300) << "beyond 255";
}

TEST_F(ArpWindowTest, DeleteAsksNamingTheRowShownAndDeletesThatEntryAfterSorting) {
    SetTable({2, 10, 9});
    Open();
    ClickHeader(2);  // 10.0.0.9, 10.0.0.2, 10.0.0.10
    ClickRow(1);
    PressDelete();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Delete Warning|Do you want to delete entry 10.0.0.9 from table?");
    ASSERT_EQ(net.deleted.size(), 1u);
    EXPECT_EQ(net.deleted[0].dwAddr, Host(9));
    EXPECT_EQ(net.deleted[0].dwIndex, 2u);
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.2", "10.0.0.10"})) << "read again at once";
    EXPECT_EQ(SelectedPosition(), 1);
}

TEST_F(ArpWindowTest, CancelDeletesNothingAndDoNotAskSkipsTheQuestionFromThenOn) {
    SetTable({2, 3});
    Open();
    PressDelete();  // rows, none selected: nothing to name
    EXPECT_TRUE(questions.empty());
    ClickRow(2);
    answer = kDialogCancelled;
    PressDelete();
    EXPECT_TRUE(net.deleted.empty());
    answer = kDialogOK;
    checkDoNotAsk = true;
    window->findChild<QAction*>(QStringLiteral("popDeleteEntry"))->trigger();
    EXPECT_TRUE(deleteNoAsk);
    EXPECT_EQ(net.deleted.size(), 1u);
    ClickRow(1);
    PressDelete();
    EXPECT_EQ(questions.size(), 2u) << "no third question";
    EXPECT_EQ(net.deleted.size(), 2u);
    EXPECT_EQ(List().topLevelItemCount(), 0);
    PressDelete();  // empty list
    EXPECT_EQ(net.deleted.size(), 2u);
}

TEST_F(ArpWindowTest, RefusedDeleteShowsItsCodeAndLeavesTheList) {
    SetTable({2, 3});
    Open();
    deleteNoAsk = true;
    net.deleteResult = ERROR_ACCESS_DENIED;
    ClickRow(1);
    const int reads = net.arpReads;
    PressDelete();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Failed to delete entry");
    EXPECT_EQ(ui.boxes[0].title, "Error #5");
    EXPECT_EQ(net.arpReads, reads);
    EXPECT_EQ(List().topLevelItemCount(), 2);
}

TEST_F(ArpWindowTest, MissingInterfaceServiceSaysSoAndNamesInterfacesByIndex) {
    SetTable({2});
    net.ifResult = ERROR_NOT_SUPPORTED;
    Open();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "IP Helper is not supported by this system.");
    EXPECT_EQ(List().topLevelItem(0)->text(0), "1.0.0.0");
}

TEST_F(ArpWindowTest, RightButtonPopsTheMenuWhoseRefreshReadsAgain) {
    SetTable({2});
    Open();
    QMenu& menu = *window->findChild<QMenu*>(QStringLiteral("popMenu"));
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    const int reads = net.arpReads;
    window->findChild<QAction*>(QStringLiteral("popRefreshTable"))->trigger();
    EXPECT_EQ(net.arpReads, reads + 1);
}

// --- The confirmation dialog ---

struct DialogCase {
    const char* name;
    bool check;
    std::function<void(frmDialog&)> answer;
    std::uint8_t result;
    bool deleteNoAsk;
    friend void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }
};

class DialogAnswers : public testing::TestWithParam<DialogCase> {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

void Click(frmDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

TEST_P(DialogAnswers, SetTheResultAndTheFlag) {
    bool deleteNoAsk = false;
    QWidget owner;
    frmDialog dialog(deleteNoAsk, &owner);
    dialog.SetCaption("Delete Warning");
    dialog.show();
    EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("chkDoNotAsk"))->text(), "Do not ask me that again.");
    if (GetParam().check) dialog.findChild<QCheckBox*>(QStringLiteral("chkDoNotAsk"))->setChecked(true);
    GetParam().answer(dialog);
    EXPECT_EQ(dialog.DialogResult(), GetParam().result);
    EXPECT_EQ(deleteNoAsk, GetParam().deleteNoAsk);
    EXPECT_FALSE(dialog.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DialogAnswers,
    testing::Values(DialogCase{"OkUnchecked", false, [](frmDialog& d) { Click(d, "OKButton"); }, 1, false},
                    DialogCase{"OkChecked", true, [](frmDialog& d) { Click(d, "OKButton"); }, 1, true},
                    DialogCase{"CancelChecked", true, [](frmDialog& d) { Click(d, "CancelButton"); }, 2, false},
                    DialogCase{"EnterAnswersOk", false, [](frmDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, 1, false},
                    DialogCase{"EscapeCancels", true, [](frmDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2, false},
                    DialogCase{"CloseBox", true, [](frmDialog& d) { d.close(); }, 2, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Opened by the main window ---

frmArpTable* OpenArpWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<frmArpTable*>(widget); found && found->isVisible()) return found;
    }
    return nullptr;
}

TEST_F(WindowTest, ArpCommandOpensOneWindowRefillsItAndUnloadClosesIt) {
    net.arpRows = {ArpEntry(1, Host(2))};
    Open().show();
    Item("mnuArpTable").trigger();
    frmArpTable* arp = OpenArpWindow();
    ASSERT_NE(arp, nullptr);
    EXPECT_EQ(arp->findChild<QTreeWidget*>()->topLevelItemCount(), 1);
    net.arpRows.push_back(ArpEntry(1, Host(3)));
    Button(8).trigger();
    EXPECT_EQ(OpenArpWindow(), arp) << "the same window";
    EXPECT_EQ(arp->findChild<QTreeWidget*>()->topLevelItemCount(), 2);
    const QPointer<frmArpTable> watched(arp);
    Exit();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
}

}  // namespace
}  // namespace velmora::test
