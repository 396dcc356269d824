// Every shortcut and access key, one keystroke each, in the window that has it.

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <set>

#include "about/frmAbout.h"
#include "arp_table/frmArpTable.h"
#include "help_viewer/HelpViewer.h"
#include "interfaces/frmInterfaceInfo.h"
#include "monitoring/frmLatencyGraph.h"
#include "tests/desktop/DesktopTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

// The letter after the single "&", or nothing.
std::optional<QChar> AccessKey(const QString& caption) {
    if (caption.count(u'&') != 1) return std::nullopt;
    const qsizetype mark = caption.indexOf(u'&');
    if (mark + 1 >= caption.size()) return std::nullopt;
    return caption[mark + 1].toLower();
}

class KeyboardTest : public DesktopTest {
protected:
    void SetUp() override {
        Activate(Open());
        Check("chkLoop").setChecked(true);  // a started run goes on until stopped
        Edit("txtTTL").setFocus();          // inside a filtered field: shortcuts still work
    }
    void Press(QKeyCombination keys) { QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers()); }
    bool Running() const { return Item("mnuStopPinging").isEnabled(); }
};

TEST_F(KeyboardTest, TheFourMenusAndEveryItemHaveOneAccessKeyUniqueInTheirMenu) {
    std::set<QChar> menuKeys;
    for (QAction* menu : window->menuBar()->actions()) {
        const auto key = AccessKey(menu->text());
        ASSERT_TRUE(key) << menu->text().toStdString();
        EXPECT_TRUE(menuKeys.insert(*key).second) << menu->text().toStdString();
        std::set<QChar> itemKeys;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            const auto itemKey = AccessKey(item->text());
            ASSERT_TRUE(itemKey) << item->text().toStdString();
            EXPECT_TRUE(itemKeys.insert(*itemKey).second) << item->text().toStdString();
        }
    }
    EXPECT_EQ(menuKeys, (std::set<QChar>{u'c', u'l', u'v', u'h'}));
    Press(Qt::ALT | Qt::Key_C);
    EXPECT_EQ(QApplication::activePopupWidget(), &Get<QMenu>("mnuComm")) << "Alt+C opens Comm";
    QApplication::activePopupWidget()->close();
}

TEST_F(KeyboardTest, EachShortcutOfTheMainWindowDoesItsCommand) {
    ui.files["velmora.chm"];
    Press(Qt::Key_F1);
    ASSERT_EQ(ui.launches.size(), 1u);
    EXPECT_TRUE(ui.launches[0].starts_with("help ")) << "F1 opens Help Topic";

    Press(Qt::Key_F5);
    EXPECT_TRUE(Running()) << "F5 starts";
    Press(Qt::SHIFT | Qt::Key_F5);
    EXPECT_FALSE(Running()) << "Shift+F5 stops";
    Press(Qt::Key_F5);
    Press(Qt::Key_Escape);
    EXPECT_FALSE(Running()) << "Escape stops";

    auto& log = Get<QPlainTextEdit>("logRes");
    QTest::qWait(50);  // the pane shows its held lines at the next frame
    ASSERT_FALSE(log.toPlainText().isEmpty());
    Press(Qt::CTRL | Qt::Key_L);
    QTest::qWait(50);
    EXPECT_TRUE(log.toPlainText().isEmpty()) << "Ctrl+L clears the log";

    Press(Qt::CTRL | Qt::Key_G);
    const auto* graph = window->findChild<frmLatencyGraph*>();
    EXPECT_TRUE(graph && graph->isVisible()) << "Ctrl+G opens the latency graph";
    Activate(*window);

    Press(Qt::CTRL | Qt::Key_Q);
    EXPECT_FALSE(window->isVisible()) << "Ctrl+Q exits";
    EXPECT_EQ(ui.settings.count("Velmora/Init/TTL"), 1u) << "with the settings saved";
}

TEST_F(KeyboardTest, EveryFieldTakesSelectAllCopyCutPasteAndUndoAndAnOctetAtMostThreeDigits) {
    QLineEdit& ttl = Edit("txtTTL");
    Press(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(ttl.selectedText(), QStringLiteral("30"));
    Press(Qt::CTRL | Qt::Key_C);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("30"));
    Press(Qt::CTRL | Qt::Key_X);
    EXPECT_EQ(ttl.text(), QStringLiteral("0")) << "cut, then cleaned up to a number";
    Edit("txtDelay").setFocus();
    Press(Qt::CTRL | Qt::Key_A);
    Press(Qt::CTRL | Qt::Key_V);
    EXPECT_EQ(Text("txtDelay"), "30");
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Text("txtDelay"), "1000") << "undone";

    QLineEdit& octet = StartOctet(2);
    octet.setFocus();
    Press(Qt::CTRL | Qt::Key_A);
    QTest::keyClicks(&octet, QStringLiteral("2551"));
    EXPECT_EQ(octet.text(), QStringLiteral("255"));
}

class ArpKeyboardTest : public DesktopTest {
protected:
    void SetUp() override {
        Open();
        net.ifRows = {IfRow(1, "lo", "lo")};
        net.arpRows = {ArpEntry(1, AddressFromOctets(10, 0, 0, 2)), ArpEntry(1, AddressFromOctets(10, 0, 0, 10)),
                       ArpEntry(1, AddressFromOctets(10, 0, 0, 9))};
        arp = new frmArpTable(net, ui, deleteNoAsk);
        refresh = ui.timers.back();
        arp->InitArpTabel();
        arp->GetArpTabel();
        Activate(*arp);
        List().setFocus();
    }
    void TearDown() override { delete arp.data(); }
    QTreeWidget& List() const { return Find<QTreeWidget>(*arp, "ListView1"); }
    void Press(QKeyCombination keys) { QTest::keyClick(&List(), keys.key(), keys.keyboardModifiers()); }
    std::string Addresses() const {
        std::string texts;
        for (int i = 0; i < List().topLevelItemCount(); ++i) texts += List().topLevelItem(i)->text(1).toStdString() + ' ';
        return texts;
    }

    bool deleteNoAsk = true;
    QPointer<frmArpTable> arp;
    FakeTimer* refresh = nullptr;
};

TEST_F(ArpKeyboardTest, ARowChosenByTheArrowsSurvivesTheRefreshAndDeleteTakesIt) {
    Press(Qt::Key_Home);
    Press(Qt::Key_Down);
    ASSERT_TRUE(refresh->Fire());
    ASSERT_EQ(List().selectedItems().size(), 1);
    EXPECT_EQ(List().selectedItems()[0]->text(1), QStringLiteral("10.0.0.10"));
    Press(Qt::Key_Delete);
    ASSERT_EQ(net.deleted.size(), 1u);
    EXPECT_EQ(net.deleted[0].dwAddr, AddressFromOctets(10, 0, 0, 10));
}

TEST_F(ArpKeyboardTest, MenuKeyAndShiftF10OpenTheMenuF5RefreshesAndCtrlDigitsSort) {
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
        Press(keys);
        EXPECT_EQ(QApplication::activePopupWidget(), arp->findChild<QMenu*>(QStringLiteral("popMenu")));
        if (QApplication::activePopupWidget()) QApplication::activePopupWidget()->close();
    }
    net.arpRows.pop_back();
    Press(Qt::Key_F5);
    EXPECT_EQ(List().topLevelItemCount(), 2) << "F5 reads the table again";

    Press(Qt::CTRL | Qt::Key_2);
    EXPECT_EQ(Addresses(), "10.0.0.2 10.0.0.10 ") << "by IP Address, descending as a first header click";
    Press(Qt::CTRL | Qt::Key_2);
    EXPECT_EQ(Addresses(), "10.0.0.10 10.0.0.2 ");
    for (int column = 1; column <= 4; ++column) {
        Press(Qt::CTRL | Qt::Key(Qt::Key_0 + column));
        EXPECT_FALSE(List().headerItem()->icon(column - 1).isNull()) << "Ctrl+" << column << " sorts its column";
    }
}

// Escape and Ctrl+W close each viewer.
TEST_F(DesktopTest, EscapeAndCtrlWCloseTheViewers) {
    Open();
    net.ifRows = {IfRow(1, "lo", "lo")};
    bool deleteNoAsk = false;
    std::size_t chosen = 0;
    EchoStore echoes;
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> viewers{
        {"latency graph", [&] { return new frmLatencyGraph(echoes); }},
        {"ARP", [&] { return new frmArpTable(net, ui, deleteNoAsk); }},
        {"interfaces", [&] { return new frmInterfaceInfo(net, ui, chosen); }},
        {"help", [] { return HelpViewer::Open(VELMORA_HELP_FILE, nullptr).release(); }},
    };
    for (const auto& [name, make] : viewers) {
        for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
            QWidget* viewer = make();
            viewer->setAttribute(Qt::WA_DeleteOnClose);
            const QPointer<QWidget> alive(viewer);
            Activate(*viewer);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : viewer, keys.key(),
                            keys.keyboardModifiers());
            EXPECT_FALSE(alive && alive->isVisible()) << name << " " << QKeySequence(keys).toString().toStdString();
            delete alive.data();
        }
    }
}

// Tab walks the graph's controls in reading order and comes round again;
// each is announced by its label or its caption.
TEST_F(DesktopTest, TabReachesEveryControlOfTheLatencyGraphInReadingOrder) {
    EchoStore echoes;
    auto* graph = new frmLatencyGraph(echoes);
    const QPointer<frmLatencyGraph> alive(graph);
    Activate(*graph);
    QList<QWidget*> reached{QApplication::focusWidget()};
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
    }
    QStringList names;
    for (QWidget* control : reached) names << (control ? control->accessibleName() : QStringLiteral("(none)"));
    EXPECT_EQ(names.join(u'|').toStdString(), "Show|Span|Clear|Statistics per address|Show");
    delete alive.data();
}

TEST_F(DesktopTest, ReturnOpensAHelpTopicFromTheContents) {
    std::unique_ptr<HelpViewer> help = HelpViewer::Open(VELMORA_HELP_FILE, nullptr);
    ASSERT_NE(help, nullptr);
    Activate(*help);
    QTreeWidget& contents = help->Contents();
    contents.setFocus();
    contents.setCurrentItem(contents.topLevelItem(0)->child(1));
    QTest::keyClick(&contents, Qt::Key_Return);
    EXPECT_EQ(help->Browser().source().path(), QStringLiteral("/results.htm"));
}

TEST_F(DesktopTest, TabReachesTheAboutBoxLinksAndReturnOrSpaceOpensThem) {
    auto* about = new frmAbout(ui);
    const QPointer<frmAbout> alive(about);
    Activate(*about);
    Find<QPushButton>(*about, "cmdSysInfo").setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &Find<QLabel>(*about, "lblWeb"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &Find<QLabel>(*about, "lblMail"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(ui.launches, (std::vector<std::string>{"open http://www.velmora.example.org",
                                                      "open mailto:support@velmora.example.org"}));
    EXPECT_TRUE(alive && alive->isVisible()) << "Return on a link is not the OK button";
    delete alive.data();
}

}  // namespace
}  // namespace velmora::test
