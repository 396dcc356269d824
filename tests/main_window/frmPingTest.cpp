// The main window over the fakes: what it shows at the start, its toolbar and
// panels, its size, and what it keeps in the store between runs.
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

class ShownTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }
    std::string Panels() const {
        std::string texts;
        for (int panel = 1; panel <= 6; ++panel) texts += Panel(panel).text().toStdString() + "|";
        return texts;
    }
    QPlainTextEdit& Pane() const { return Get<QPlainTextEdit>("logRes"); }
    void Click(int position) { QTest::mouseClick(&ButtonWidget(position), Qt::LeftButton); }
    // Loopback only, Num 1: the run ends after one echo.
    void TargetLoopback() {
        for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(i == 0 ? "127" : i == 3 ? "1" : "0"));
    }
    static constexpr const char* kZeroPanels = "Sent: 0|Received: 0|Lost: 0|Maximum: 0|Minimum: 0|Average: 0|";
};

TEST_F(ShownTest, FreshStartShowsTheDefaultsAndStartsNothingButTheRandomSeed) {
    for (int position : {1, 2, 4, 5, 6, 8, 9, 11, 13}) {
        EXPECT_EQ(Button(position).isEnabled(), position != 2 && position != 5) << position;
    }
    EXPECT_TRUE(Item("mnuStartPinging").isEnabled() && !Item("mnuStopPinging").isEnabled());
    EXPECT_TRUE(Item("mnuCaptureLog").isEnabled() && !Item("mnuCloseFile").isEnabled());
    EXPECT_EQ(Panels(), kZeroPanels);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(ui.randomizeCalls, 1);
    EXPECT_EQ(net.startups, 0);
    EXPECT_TRUE(ui.boxes.empty() && ui.dialogs.empty() && ui.openFiles.empty() && ui.settingWrites.empty());
    EXPECT_TRUE(Pane().isReadOnly());
    EXPECT_EQ(Pane().palette().color(QPalette::Base), Pane().palette().color(QPalette::ToolTipBase));
}

TEST_F(ShownTest, PanelClickBlanksThatFigurePanelOnlyAndClearWritesEveryPanelAgain) {
    window->AppendLogText("line\r\n");
    QTest::mouseClick(&Panel(2), Qt::LeftButton);
    QTest::mouseClick(&Panel(7), Qt::LeftButton);
    EXPECT_EQ(Panels(), "Sent: 0||Lost: 0|Maximum: 0|Minimum: 0|Average: 0|");
    EXPECT_FALSE(Panel(7).text().isEmpty()) << "the clock keeps its time";
    Click(6);  // Clear log
    QTRY_VERIFY(Pane().toPlainText().isEmpty());  // at the end of the frame the line began
    EXPECT_EQ(Panels(), kZeroPanels);
}

// The pane and the clock panel follow the difference to the design size;
// nothing else moves. The smallest window still shows both groups and the clock.
TEST_F(ShownTest, ResizeChangesOnlyThePaneAndTheClockPanelDownToAMinimumThatKeepsTheGroups) {
    const QSize design = window->size();
    const QSize designPane = Pane().size();
    const int designPanel7 = Panel(7).minimumWidth();
    const QRect frame2 = Get<QWidget>("Frame2").geometry();
    window->resize(design + QSize(100, 60));
    EXPECT_EQ(Pane().size(), designPane + QSize(100, 60));
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + 100);
    EXPECT_EQ(Get<QWidget>("Frame2").geometry(), frame2);

    window->resize(1, 1);
    EXPECT_EQ(window->size(), window->minimumSize());
    for (const char* group : {"Frame1", "Frame2"}) {
        EXPECT_TRUE(window->centralWidget()->rect().contains(Get<QWidget>(group).geometry())) << group;
    }
    EXPECT_LE(Panel(7).geometry().right(), window->statusBar()->width());
    window->resize(design);
    EXPECT_EQ(Pane().size(), designPane);
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7);
}

// Lines reach the pane as lines: CR LF becomes the pane's line end.
TEST_F(ShownTest, ToolbarStartsAndStopsTheRunAndOpensAndClosesTheCapture) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Click(4);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [run.log]"));
    EXPECT_TRUE(!Button(4).isEnabled() && Button(5).isEnabled());
    EXPECT_TRUE(!Item("mnuCaptureLog").isEnabled() && Item("mnuCloseFile").isEnabled());
    TargetLoopback();
    Edit("txtNum").setText(QStringLiteral("2"));
    Click(1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [127.0.0.1]"));
    EXPECT_TRUE(!Button(1).isEnabled() && Button(2).isEnabled());
    EXPECT_TRUE(!Item("mnuStartPinging").isEnabled() && Item("mnuStopPinging").isEnabled());
    EXPECT_EQ(Pane().toPlainText().toStdString(),
              "IP success from 127.0.0.1    RoundTripTime=1ms    DataSize=120 bytes    TTL=64    #1\n");
    Click(2);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(1).isEnabled() && !Item("mnuStopPinging").isEnabled());
    EXPECT_EQ(net.echoes.size(), 1u);
    Click(5);
    EXPECT_TRUE(ui.openFiles.empty());
    EXPECT_TRUE(Button(4).isEnabled() && !Button(5).isEnabled());
}

TEST_F(ShownTest, ExitSavesOnceInTheOrderOfTheStoreAndClosesTheWindow) {
    Click(13);
    EXPECT_FALSE(window->isVisible());
    const std::vector<std::string> order{
        "Settings/Window",     "Settings/MainLeft", "Settings/MainTop",     "Settings/MainWidth",
        "Settings/MainHeight", "Init/Address Mode", "Init/Host Name",       "Init/IPAddress Start",
        "Init/IPAddress Stop", "Init/DataSize",     "Init/Num",             "Init/TTL",
        "Init/Delay",          "Init/Timeout",      "Init/Loop",            "Init/ArpDeleteConfirm", "Init/Parallel",
        "Init/Timestamps",     "Init/Alert",        "Init/AlertAfter",      "Init/CaptureFolder"};
    EXPECT_EQ(ui.settingWrites, order);
    EXPECT_EQ(ui.storeOpenings, 2) << "once for the start's reads, once for the exit's writes";
}

TEST_F(ShownTest, ClosingMidEchoClosesTheCaptureAndEndsAtOnceWithoutSummaryOrCrash) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Item("mnuCaptureLog").trigger();
    TargetLoopback();
    Check("chkLoop").setChecked(true);
    Item("mnuStartPinging").trigger();  // pass 1 answers at once
    ui.deferBackground = true;
    ui.timers.at(0)->Fire();  // pass 2 waits for its echo
    ASSERT_EQ(ui.pending.size(), 1u) << "an echo is in flight";
    window->close();
    EXPECT_TRUE(ui.openFiles.empty()) << "the capture file is closed";
    window.reset();
    EXPECT_EQ(ui.files["/captures/run.log"].find("Ping Statistics"), std::string::npos);
    EXPECT_EQ(net.cleanups, 0) << "the sockets library is left to the program's end";
    EXPECT_TRUE(net.open.empty()) << "the echo's handle is closed";
    ui.RunPending();  // the answer arrives after the window has gone
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.writes.size(), 1u) << "nothing is written after the window has gone";
}

// --- The store ---

constexpr int kTwips = 15;

class SettingsTest : public WindowTest {
protected:
    // "Section/Key" values as an earlier run would have written them.
    void Store(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [key, value] : values) ui.settings[std::string(kAppName) + "/" + key] = value;
    }
    std::string Stored(const char* key) { return ui.settings[std::string(kAppName) + "/" + key]; }
};

TEST_F(SettingsTest, EveryKeyComesBackThroughTheStore) {
    const QTemporaryDir home;  // the real store, in a folder of the test's own
    ASSERT_TRUE(home.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    QtUiServices real;
    Open(&real);
    const char* start[] = {"999", "0", " 0", "1 "};  // blanks pasted around two octets; 999 stored as it stands
    for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(start[i]));
    StopOctet(3).setText(QStringLiteral("9"));
    const std::pair<const char*, const char*> numbers[] = {
        {"TxtDataSize", "40000"}, {"txtNum", "3"}, {"txtTTL", "1.5"}, {"txtDelay", "250"}, {"txtTimeout", "750"}};
    for (const auto& [name, text] : numbers) Edit(name).setText(QLatin1String(text));
    Edit("txtDNS").setText(QStringLiteral("  gateway.lan "));
    Check("chkLoop").setChecked(true);
    Check("chkIpDns").setChecked(true);
    window->SetDeleteNoAsk(true);
    Item("mnuParallel").setChecked(true);
    Item("mnuTimestamps").setChecked(true);
    Item("mnuAlert").setChecked(true);
    window->move(120, 90);
    window->resize(700, 420);
    Exit();

    QSettings file(home.filePath(QStringLiteral("Velmora/Velmora.ini")), QSettings::IniFormat);
    QStringList stored;
    for (const QString& key : file.allKeys()) stored << key + u'=' + file.value(key).toString();
    EXPECT_EQ(stored.join(u' ').toStdString(),
              "Init/Address Mode=1 Init/Alert=True Init/AlertAfter=3 Init/ArpDeleteConfirm=True Init/CaptureFolder= "
              "Init/DataSize=40000 Init/Delay=250 "
              "Init/Host Name=gateway.lan Init/IPAddress Start=999.0.0.1 Init/IPAddress Stop=999.0.0.9 Init/Loop=1 "
              "Init/Num=3 Init/Parallel=True Init/TTL=1.5 Init/Timeout=750 Init/Timestamps=True "
              "Settings/MainHeight=6300 Settings/MainLeft=1800 Settings/MainTop=1350 Settings/MainWidth=10500 "
              "Settings/Window=0");

    Open(&real);
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "999.0.0.1 999.0.0.9");
    for (const auto& [name, text] : numbers) EXPECT_EQ(Text(name), text) << name;
    EXPECT_EQ(Text("txtDNS"), "gateway.lan");
    EXPECT_FALSE(Edit("txtNum").isEnabled()) << "Loop 1 greys Num";
    ExpectTargetControls(false);
    EXPECT_TRUE(window->DeleteNoAsk());
    EXPECT_TRUE(Item("mnuParallel").isChecked());
    EXPECT_TRUE(Item("mnuTimestamps").isChecked() && Item("mnuAlert").isChecked());
    EXPECT_EQ(QRect(window->pos(), window->size()), QRect(120, 90, 700, 420));
    window.reset();
}

// The next run's capture dialog opens where this run's capture went.
TEST_F(SettingsTest, TheCaptureDialogOpensInTheFolderOfTheLastRunsCapture) {
    Open();
    ui.dialogAnswers.push_back(std::string("/captures/june/run.log"));
    Item("mnuCaptureLog").trigger();
    Exit();
    EXPECT_EQ(Stored("Init/CaptureFolder"), "/captures/june");
    Open();
    Item("mnuCaptureLog").trigger();  // cancelled
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].startFolder, "") << "none chosen yet: the platform's fallback";
    EXPECT_EQ(ui.dialogs[1].startFolder, "/captures/june");
}

// The stop address survives the copies of the start octets; fewer points fill
// only the first boxes.
TEST_F(SettingsTest, StoredAddressesFillTheBoxes) {
    Store({{"Init/IPAddress Start", "10.2"}, {"Init/IPAddress Stop", "192.168.0.254"}});
    Open();
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "10.2.1.8 192.168.0.254");
}

TEST_F(SettingsTest, AStoreFullOfGarbageOpensWithTheDefaults) {
    Store({{"Settings/Window", "maximised"}, {"Settings/MainLeft", "left"}, {"Settings/MainTop", "1e999"},
           {"Settings/MainWidth", "-5"}, {"Settings/MainHeight", ""}, {"Init/DataSize", "12ab"},
           {"Init/Num", "abc"}, {"Init/TTL", ""}, {"Init/Delay", "&Hzz"}, {"Init/Timeout", "--3"},
           {"Init/Loop", "7"}, {"Init/Address Mode", "-1"}, {"Init/ArpDeleteConfirm", "perhaps"},
           {"Init/IPAddress Start", "1.2.3.4.5"}, {"Init/IPAddress Stop", "a.b.c.d.e.f"}});
    Open();
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "1.1.1.8 1.1.1.8");
    std::string texts;
    for (const char* name : {"TxtDataSize", "txtNum", "txtTTL", "txtTimeout", "txtDelay", "txtDNS"}) {
        texts += Text(name) + " ";
    }
    EXPECT_EQ(texts, "120 1 30 500 1000 localhost ");
    EXPECT_EQ(Check("chkLoop").checkState(), Qt::Unchecked);
    ExpectTargetControls(true);
    EXPECT_FALSE(window->DeleteNoAsk());
    EXPECT_FALSE(Item("mnuParallel").isChecked());
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
    EXPECT_EQ(window->width(), 648) << "the design width";
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "the window system places it";
}

// The stored corner is used as it is, (0, 0) included, while the window is on
// a screen; one off every screen comes back onto one, and one larger than the
// screen shrinks to it. The pane follows the stored size.
TEST_F(SettingsTest, StoredPlacementsAreRestoredOntoTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* name;
        int left, top, width, height;  // twips
        QRect expected;
    } rows[] = {
        {"OnTheScreen", 1500, 750, 9720, 6000, QRect(100, 50, 648, 400)},
        {"TopLeftCorner", 0, 0, 9720, 6000, QRect(0, 0, 648, 400)},
        {"OffEveryScreen", -300000, -150000, 9720, 6000, QRect(area.topLeft(), QSize(648, 400))},
        {"LargerThanTheScreen", 0, 0, (area.width() + 500) * kTwips, (area.height() + 300) * kTwips,
         QRect(0, 0, area.width(), area.height())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Store({{"Settings/MainLeft", std::to_string(row.left)}, {"Settings/MainTop", std::to_string(row.top)},
               {"Settings/MainWidth", std::to_string(row.width)},
               {"Settings/MainHeight", std::to_string(row.height)}});
        Open();
        EXPECT_EQ(QRect(window->pos(), window->size()), row.expected);
        EXPECT_TRUE(window->testAttribute(Qt::WA_Moved));
    }
    Store({{"Settings/MainWidth", std::to_string((648 + 60) * kTwips)}});
    Open().show();
    EXPECT_EQ(Get<QWidget>("logRes").width(), 633 + 60);
}

// The store may hold 2, a greyed box, which is kept; the user's clicks give 0
// and 1 only.
TEST_F(SettingsTest, CheckValueTwoGreysTheBoxAndIsSavedAsTwo) {
    Store({{"Init/Loop", "2"}, {"Init/Address Mode", "2"}});
    Open();
    EXPECT_EQ(Check("chkLoop").checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(window->TargetMode(), 1) << "any value but 0 is the host name";
    EXPECT_FALSE(window->LoopChecked()) << "only 1 is the loop";
    Exit();
    EXPECT_EQ(Stored("Init/Loop") + " " + Stored("Init/Address Mode"), "2 2");
    Open();
    for (int click = 0; click < 3; ++click) Check("chkLoop").click();
    EXPECT_NE(Check("chkLoop").checkState(), Qt::PartiallyChecked);
}

// Maximised, only the state is written, so the last normal placement stays;
// minimised, nothing of the window is.
TEST_F(SettingsTest, MaximisedExitStoresOnlyTheStateAndMinimisedExitNothingOfTheWindow) {
    Store({{"Settings/MainLeft", "1500"}, {"Settings/MainTop", "1200"}, {"Settings/MainWidth", "10500"},
           {"Settings/MainHeight", "6000"}});
    Open().showMaximized();
    Exit();
    EXPECT_EQ(Stored("Settings/Window") + " " + Stored("Settings/MainLeft"), "2 1500");
    Open().show();
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(QRect(window->pos(), window->size()), QRect(100, 80, 700, 400));
    window->showMinimized();
    ui.settingWrites.clear();
    Exit();
    EXPECT_EQ(ui.settingWrites.front(), "Init/Address Mode");
}

}  // namespace
}  // namespace velmora::test
