// The ARP table window and its dialog over the fakes, offscreen: the sort
// sequence with its header images, the remembered selection, deletes with and
// without the question, and the main window's command that opens, refills
// and closes it.

#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

using Texts = std::vector<std::string>;

std::uint32_t Host(int last) { return AddressFromOctets(10, 0, std::uint8_t(last / 256), std::uint8_t(last)); }

class ArpWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    // Odd hosts on "eth0 - Adapter", even ones on "lo".
    void SetTable(std::initializer_list<int> lasts) {
        net.ifRows = {IfRow(1, "lo", "lo"), IfRow(2, "eth0", "eth0 - Adapter")};
        net.arpRows.clear();
        for (const int last : lasts) net.arpRows.push_back(ArpEntry(std::uint32_t(last % 2 + 1), Host(last)));
    }

    void Open() {
        ConfirmDelete confirm = [this](QWidget&, const std::string& caption, const std::string& question, bool& flag) {
            questions.push_back(caption + "|" + question);
            flag = flag || checkDoNotAsk;
            return answer;
        };
        window = std::make_unique<frmArpTable>(net, ui, deleteNoAsk, confirm);
        window->InitArpTabel();
        window->GetArpTabel();
        window->show();
    }

    QTreeWidget& List() const { return *window->findChild<QTreeWidget*>(QStringLiteral("ListView1")); }
    Texts Addresses() const {
        Texts texts;
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
        const auto format = QImage::Format_ARGB32;
        const QImage shown = List().headerItem()->icon(column - 1).pixmap(16, 16).toImage().convertToFormat(format);
        for (const char* name : {"SortDown", "SortUp"}) {
            if (shown == QImage(QStringLiteral(":/sort/%1.png").arg(QLatin1String(name))).convertToFormat(format)) {
                return name;
            }
        }
        return shown.isNull() ? "" : "other";
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
    EXPECT_EQ(Addresses(), (Texts{"10.0.0.2", "10.0.0.3", "10.0.0.4"}));
}

TEST_F(ArpWindowTest, EveryColumnClickFlipsTheOrderAndMovesTheImage) {
    SetTable({2, 10, 9});
    Open();
    ClickHeader(2);
    EXPECT_EQ(Addresses(), (Texts{"10.0.0.9", "10.0.0.2", "10.0.0.10"}));
    EXPECT_EQ(HeaderImage(2), "SortDown");
    ClickHeader(2);
    EXPECT_EQ(Addresses(), (Texts{"10.0.0.10", "10.0.0.2", "10.0.0.9"}));
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
    for (int i = 1; i <= 300; ++i) net.arpRows.push_back(ArpEntry(1, Host(i)));
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
    EXPECT_EQ(Addresses(), (Texts{"10.0.0.2", "10.0.0.10"})) << "read again at once";
    EXPECT_EQ(SelectedPosition(), 1);
}

TEST_F(ArpWindowTest, CancelOrRefusalDeletesNothingAndDoNotAskSkipsTheQuestionFromThenOn) {
    SetTable({2, 3, 4});
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

    net.deleteResult = ERROR_ACCESS_DENIED;
    ClickRow(1);
    const int reads = net.arpReads;
    PressDelete();
    EXPECT_EQ(questions.size(), 2u) << "no third question";
    EXPECT_EQ(net.deleted.size(), 2u);
    EXPECT_EQ(ui.boxes.size(), 1u) << "the reader's box";
    EXPECT_EQ(net.arpReads, reads) << "a refusal leaves the list";
    net.arpRows.clear();
    Tick();
    PressDelete();  // empty list
    EXPECT_EQ(net.deleted.size(), 2u);
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

struct DialogCase {
    const char* name;
    bool check;
    std::function<void(frmDialog&)> answer;
    std::uint8_t result;
    bool deleteNoAsk;
};

class DialogAnswers : public testing::TestWithParam<DialogCase> {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_P(DialogAnswers, SetTheResultAndTheFlag) {
    bool deleteNoAsk = false;
    QWidget owner;
    frmDialog dialog(deleteNoAsk, &owner);
    dialog.SetCaption("Delete Warning");
    dialog.show();
    auto& doNotAsk = *dialog.findChild<QCheckBox*>(QStringLiteral("chkDoNotAsk"));
    EXPECT_EQ(doNotAsk.text(), "Do not ask me that again.");
    doNotAsk.setChecked(GetParam().check);
    GetParam().answer(dialog);
    EXPECT_EQ(dialog.DialogResult(), GetParam().result);
    EXPECT_EQ(deleteNoAsk, GetParam().deleteNoAsk);
    EXPECT_FALSE(dialog.isVisible());
}

void Click(frmDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
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
