// The main window over the fakes: what a fresh start shows, where the
// controls stand, the menus and the toolbar, the status bar, the resize rule
// and the unload sequence.
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <numeric>
#include <stdexcept>

#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

constexpr int kPositions = 13;

class LoadTest : public WindowTest {
protected:
    void SetUp() override { Open(); }
};

TEST_F(LoadTest, FreshStartDisablesOnlyStopAndCloseFile) {
    for (int position : {1, 4, 6, 8, 9, 11, 13}) EXPECT_TRUE(Button(position).isEnabled()) << position;
    for (int position : {2, 5}) EXPECT_FALSE(Button(position).isEnabled()) << position;
    for (const char* name : {"mnuStartPinging", "mnuExit", "mnuCaptureLog", "mnuClearLog", "mnuArpTable",
                             "mnuInterfaceInfo", "mnuHelpTopic", "mnuAboutSoftware"}) {
        EXPECT_TRUE(Item(QLatin1String(name)).isEnabled()) << name;
    }
    EXPECT_FALSE(Item(QStringLiteral("mnuStopPinging")).isEnabled());
    EXPECT_FALSE(Item(QStringLiteral("mnuCloseFile")).isEnabled());
}

TEST_F(LoadTest, FreshStartShowsTheRangeControlsAndHidesTheHostName) {
    for (const char* name : {"lblStartIP", "lblStopIP", "Label16"}) {
        EXPECT_FALSE(Get<QLabel>(QLatin1String(name)).isHidden()) << name;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(StartOctet(i).isHidden()) << i;
        EXPECT_FALSE(StopOctet(i).isHidden()) << i;
    }
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(Get<QLabel>(QStringLiteral("lblP1_%1").arg(i)).isHidden()) << i;
    EXPECT_TRUE(Get<QLabel>(QStringLiteral("lblDNS")).isHidden());
    EXPECT_TRUE(Edit(QStringLiteral("txtDNS")).isHidden());
    EXPECT_FALSE(Check(QStringLiteral("chkIpDns")).isHidden());
    EXPECT_EQ(window->TargetMode(), 2);
}

TEST_F(LoadTest, FreshStartShowsZeroPanelsCaptionAndDefaults) {
    const std::array<const char*, 6> zero{"Sent: 0",    "Received: 0", "Lost: 0",
                                          "Maximum: 0", "Minimum: 0",  "Average: 0"};
    for (int panel = 1; panel <= 6; ++panel) EXPECT_EQ(Panel(panel).text(), QLatin1String(zero[panel - 1]));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("1.1.1.8"));
    EXPECT_EQ(Octets("txtStopIP"), QStringLiteral("1.1.1.8"));
    EXPECT_EQ(Edit(QStringLiteral("TxtDataSize")).text(), QStringLiteral("120"));
    EXPECT_EQ(Edit(QStringLiteral("txtNum")).text(), QStringLiteral("1"));
    EXPECT_EQ(Edit(QStringLiteral("txtTTL")).text(), QStringLiteral("30"));
    EXPECT_EQ(Edit(QStringLiteral("txtTimeout")).text(), QStringLiteral("500"));
    EXPECT_EQ(Edit(QStringLiteral("txtDelay")).text(), QStringLiteral("1000"));
    EXPECT_EQ(Edit(QStringLiteral("txtDNS")).text(), QStringLiteral("localhost"));
    EXPECT_FALSE(Check(QStringLiteral("chkLoop")).isChecked());
    EXPECT_FALSE(Check(QStringLiteral("chkIpDns")).isChecked());
}

TEST_F(LoadTest, StartsNothingButTheRandomSeed) {
    EXPECT_EQ(ui.randomizeCalls, 1);
    for (const FakeTimer* timer : ui.timers) EXPECT_FALSE(timer->enabled);
    EXPECT_EQ(net.startups, 0);
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_TRUE(ui.openFiles.empty());
    EXPECT_TRUE(ui.settingWrites.empty());
}

// Design places in twips, divided by 15, relative to each control's parent.
struct DesignPlace {
    const char* name;
    QRect place;
};

TEST_F(LoadTest, ControlsStandAtTheirDesignPlaces) {
    const DesignPlace places[] = {
        {"Frame1", {8, 0, 313, 65}},         {"Frame2", {328, 0, 313, 65}},
        {"logRes", {8, 68, 633, 217}},       {"chkIpDns", {272, 32, 17, 17}},
        {"txtStartIP_0", {64, 16, 41, 19}},  {"txtStartIP_1", {112, 16, 41, 19}},
        {"txtStartIP_2", {160, 16, 41, 19}}, {"txtStartIP_3", {208, 16, 41, 19}},
        {"txtStopIP_0", {64, 40, 41, 19}},   {"txtStopIP_3", {208, 40, 41, 19}},
        {"lblP1_0", {104, 8, 9, 25}},        {"lblP1_5", {200, 32, 9, 25}},
        {"txtDNS", {64, 32, 185, 19}},       {"chkLoop", {16, 32, 17, 17}},
        {"txtNum", {40, 32, 41, 19}},        {"TxtDataSize", {88, 32, 57, 19}},
        {"txtTTL", {152, 32, 41, 19}},       {"txtTimeout", {200, 32, 41, 19}},
        {"txtDelay", {248, 32, 41, 19}},
    };
    for (const DesignPlace& p : places) {
        EXPECT_EQ(Get<QWidget>(QLatin1String(p.name)).geometry(), p.place) << p.name;
    }
    const std::pair<const char*, QPoint> labels[] = {
        {"Label16", {264, 16}}, {"lblStartIP", {16, 16}}, {"lblStopIP", {16, 40}}, {"lblDNS", {16, 32}},
        {"Label8", {16, 16}},   {"Lable9", {88, 16}},     {"Label7", {152, 16}},   {"Label14", {200, 16}},
        {"Label13", {248, 16}},
    };
    for (const auto& [name, at] : labels) EXPECT_EQ(Get<QLabel>(QLatin1String(name)).pos(), at) << name;
}

TEST_F(LoadTest, LabelsAndTooltipsReadAsDesigned) {
    const std::pair<const char*, const char*> captions[] = {
        {"Label16", "IP/DNS"}, {"lblStartIP", "Start IP:"}, {"lblStopIP", "Stop IP:"}, {"lblDNS", "DNS:"},
        {"Label8", "Loop\\Num:"}, {"Lable9", "DataSize:"}, {"Label7", "TTL:"}, {"Label14", "Timeout:"},
        {"Label13", "Delay:"}, {"lblP1_0", "."}, {"lblP1_3", "."},
    };
    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(Get<QLabel>(QLatin1String(name)).text(), QLatin1String(caption)) << name;
    }
    const std::pair<const char*, const char*> tooltips[] = {
        {"txtStartIP_0", "Start IP address to ping to"}, {"txtStartIP_3", "Start IP address to ping to"},
        {"txtStopIP_0", "Stop IP address to ping to"},   {"txtStopIP_3", "Stop IP address to ping to"},
        {"chkLoop", "Loop until cancel"},                {"txtNum", "Number of pings"},
        {"TxtDataSize", "Data size (bytes) - up to 1500"}, {"txtTTL", "Time To Leave"},
        {"txtTimeout", "Timeout for ping replay (milli-second)"},
        {"txtDelay", "Delay between pings (milli-second)."},
        {"txtDNS", ""}, {"chkIpDns", ""},
    };
    for (const auto& [name, tip] : tooltips) {
        EXPECT_EQ(Get<QWidget>(QLatin1String(name)).toolTip(), QLatin1String(tip)) << name;
    }
    const QLabel& dot = Get<QLabel>(QStringLiteral("lblP1_2"));
    EXPECT_TRUE(dot.font().bold());
    EXPECT_EQ(dot.font().pointSize(), 18);
}

TEST_F(LoadTest, LogPaneIsReadOnlyOnTheTooltipColour) {
    const auto& pane = Get<QPlainTextEdit>(QStringLiteral("logRes"));
    EXPECT_TRUE(pane.isReadOnly());
    EXPECT_EQ(pane.palette().color(QPalette::Base), pane.palette().color(QPalette::ToolTipBase));
}

struct MenuItem {
    const char* menu;
    const char* name;
    const char* caption;
};

TEST_F(LoadTest, MenusHoldEveryItemInOrderWithoutShortcuts) {
    const MenuItem items[] = {
        {"mnuComm", "mnuStartPinging", "Start Pinging"},
        {"mnuComm", "mnuStopPinging", "Stop Pinging"},
        {"mnuComm", "mnu1", ""},
        {"mnuComm", "mnuExit", "Exit"},
        {"mnuLog", "mnuCaptureLog", "Capture log to file..."},
        {"mnuLog", "mnuCloseFile", "Close file"},
        {"mnuLog", "mnu2", ""},
        {"mnuLog", "mnuClearLog", "Clear log"},
        {"mnu3", "mnuArpTable", "Arp table information..."},
        {"mnu3", "mnuInterfaceInfo", "Network Interface information..."},
        {"mnuHelp", "mnuHelpTopic", "Help Topic"},
        {"mnuHelp", "mnu4", ""},
        {"mnuHelp", "mnuAboutSoftware", "About Velmora..."},
    };
    const std::pair<const char*, const char*> menus[] = {
        {"mnuComm", "Comm"}, {"mnuLog", "Log"}, {"mnu3", "View"}, {"mnuHelp", "Help"}};
    for (const auto& [name, title] : menus) EXPECT_EQ(Get<QMenu>(QLatin1String(name)).title(), QLatin1String(title));

    QString menu;
    int index = 0;
    for (const MenuItem& item : items) {
        index = menu == QLatin1String(item.menu) ? index + 1 : 0;
        menu = QLatin1String(item.menu);
        const QList<QAction*> actions = Get<QMenu>(menu).actions();
        ASSERT_LT(index, actions.size()) << item.name;
        const QAction& action = *actions[index];
        EXPECT_EQ(action.objectName(), QLatin1String(item.name));
        EXPECT_EQ(action.isSeparator(), *item.caption == 0) << item.name;
        EXPECT_EQ(action.text(), QLatin1String(item.caption)) << item.name;
        EXPECT_TRUE(action.shortcut().isEmpty()) << item.name;
    }
}

struct ToolbarEntry {
    const char* tooltip;  // nullptr: a separator
    const char* image;
};

TEST_F(LoadTest, ToolbarHasThirteenPositionsWithTheirTooltipsAndImages) {
    const ToolbarEntry entries[kPositions] = {
        {"Start pinging to target", "Start"},
        {"Cancel pinging to target", "Stop"},
        {nullptr, nullptr},
        {"Capture text to file", "StartCapture"},
        {"Close capture file", "StopCapture"},
        {"Clear log", "Clear"},
        {nullptr, nullptr},
        {"Arp table Information...", "Arp"},
        {"Network interfaces information...", "Interface"},
        {nullptr, nullptr},
        {"Help topic", "Help"},
        {nullptr, nullptr},
        {"Exit program", "Exit"},
    };
    const QToolBar& tb = Get<QToolBar>(QStringLiteral("tb"));
    ASSERT_EQ(tb.actions().size(), kPositions);
    EXPECT_EQ(tb.iconSize(), QSize(16, 16));
    for (int position = 1; position <= kPositions; ++position) {
        const ToolbarEntry& entry = entries[position - 1];
        const QAction& button = *tb.actions()[position - 1];
        EXPECT_EQ(&button, &Button(position));
        EXPECT_EQ(button.isSeparator(), entry.tooltip == nullptr) << position;
        if (!entry.tooltip) continue;
        EXPECT_EQ(button.toolTip(), QLatin1String(entry.tooltip)) << position;
        const QImage shown = button.icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage drawn = QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(entry.image)))
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_FALSE(drawn.isNull()) << entry.image;
        EXPECT_EQ(shown, drawn) << position << " shows " << entry.image;
    }
}

TEST_F(LoadTest, ImageListHoldsTwelveSixteenPixelImages) {
    for (const char* image : {"Stop", "Start", "StartCapture", "StopCapture", "Running", "Arp", "Setting", "Adapter",
                              "Interface", "Clear", "Exit", "Help"}) {
        EXPECT_EQ(QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(image))).size(), QSize(16, 16))
            << image;
    }
}

TEST_F(LoadTest, FigurePanelsAreAtLeast1440TwipsAndTheClockTakesTheRest) {
    int figures = 0;
    for (int panel = 1; panel <= 6; ++panel) {
        EXPECT_GE(Panel(panel).minimumWidth(), 96) << panel;
        EXPECT_EQ(Panel(panel).minimumWidth(), Panel(panel).maximumWidth()) << panel;
        figures += Panel(panel).minimumWidth();
    }
    EXPECT_NEAR(Panel(7).minimumWidth(), window->width() - figures, 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d$")).match(Panel(7).text()).hasMatch())
        << Panel(7).text().toStdString();
}

// A figure panel is as wide as its widest text, so the bar does not jitter.
TEST_F(LoadTest, FigurePanelsFitTheirWidestTexts) {
    const char* widest[] = {"Sent: 00000", "Received: 00000", "Lost: 00000",
                            "Maximum: 00000", "Minimum: 00000", "Average: 00000"};
    for (int panel = 1; panel <= 6; ++panel) {
        QLabel& label = Panel(panel);
        const int width = label.minimumWidth();
        label.setText(QLatin1String(widest[panel - 1]));
        EXPECT_LE(label.sizeHint().width(), width) << panel;
    }
}

class StatusPanelTest : public WindowTest {
protected:
    void SetUp() override {
        Open().show();
    }
};

TEST_F(StatusPanelTest, ClickBlanksThatPanelOnly) {
    for (int panel = 1; panel <= 7; ++panel) {
        SCOPED_TRACE(panel);
        QTest::mouseClick(&Panel(panel), Qt::LeftButton);
        EXPECT_EQ(Panel(panel).text(), QString());
        if (panel < 7) {
            EXPECT_FALSE(Panel(panel + 1).text().isEmpty());
        }
    }
}

TEST_F(StatusPanelTest, NextClearWritesTheBlankedPanelAgain) {
    QTest::mouseClick(&Panel(2), Qt::LeftButton);
    QTest::mouseClick(&ButtonWidget(6), Qt::LeftButton);  // Clear log
    EXPECT_EQ(Panel(2).text(), QStringLiteral("Received: 0"));
}

class ResizeTest : public WindowTest {
protected:
    void SetUp() override {
        Open().show();
        pane = &Get<QPlainTextEdit>(QStringLiteral("logRes"));
        designPane = pane->size();
        designPanel7 = Panel(7).minimumWidth();
    }
    void ResizeBy(int dw, int dh) { window->resize(window->width() + dw, window->height() + dh); }

    QPlainTextEdit* pane = nullptr;
    QSize designPane;
    int designPanel7 = 0;
};

TEST_F(ResizeTest, WiderBy600TwipsWidensPaneAndClockPanelBy600) {
    ResizeBy(40, 0);
    EXPECT_EQ(pane->size(), designPane + QSize(40, 0));
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + 40);
}

TEST_F(ResizeTest, LowerBy300TwipsMakesOnlyThePaneLower) {
    ResizeBy(0, 20);
    EXPECT_EQ(pane->size(), designPane + QSize(0, 20));
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7);
}

TEST_F(ResizeTest, OtherControlsKeepTheirPlaces) {
    const QRect frame1 = Get<QWidget>(QStringLiteral("Frame1")).geometry();
    const QRect frame2 = Get<QWidget>(QStringLiteral("Frame2")).geometry();
    const QPoint paneAt = pane->pos();
    ResizeBy(100, 60);
    EXPECT_EQ(Get<QWidget>(QStringLiteral("Frame1")).geometry(), frame1);
    EXPECT_EQ(Get<QWidget>(QStringLiteral("Frame2")).geometry(), frame2);
    EXPECT_EQ(pane->pos(), paneAt);
}

TEST_F(ResizeTest, MinimizeAndRestoreLeaveEverySize) {
    ResizeBy(40, 20);
    const QSize before = window->size();
    window->showMinimized();
    window->showNormal();
    EXPECT_EQ(window->size(), before);
    EXPECT_EQ(pane->size(), designPane + QSize(40, 20));
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + 40);
}

// Only the bars' own room limits the window; lower than the pane, it keeps the pane at 0.
TEST_F(ResizeTest, PaneNeverGetsANegativeSizeAndComesBackWithTheWindow) {
    const QSize design = window->size();
    window->resize(design.width(), 1);
    ASSERT_LT(window->height(), design.height() - designPane.height()) << "the window may get that low";
    EXPECT_EQ(pane->height(), 0);
    EXPECT_EQ(pane->width(), designPane.width());
    window->resize(design);
    EXPECT_EQ(pane->size(), designPane);
}

TEST_F(ResizeTest, ClockPanelKeepsItsWidthWhenItWouldVanishAndDoesNotMakeItUp) {
    const int dw = -(designPanel7 + 10);
    ResizeBy(dw, 0);
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7);
    ResizeBy(-dw, 0);
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 - dw);
}

class ToolbarTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }

    // Targets loopback only, and Num 1: the run ends after one echo.
    void TargetLoopback() {
        for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(i == 0 ? "127" : i == 3 ? "1" : "0"));
    }
    void Click(int position) { QTest::mouseClick(&ButtonWidget(position), Qt::LeftButton); }
};

TEST_F(ToolbarTest, SeparatorsDoNothing) {
    window->AppendLogText("kept\r\n");
    const QString log = Get<QPlainTextEdit>(QStringLiteral("logRes")).toPlainText();
    for (int position : {3, 7, 10, 12}) {
        SCOPED_TRACE(position);
        Click(position);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
        EXPECT_EQ(Get<QPlainTextEdit>(QStringLiteral("logRes")).toPlainText(), log);
        EXPECT_TRUE(Button(1).isEnabled());
        EXPECT_FALSE(Button(2).isEnabled());
        EXPECT_TRUE(Button(4).isEnabled());
        EXPECT_FALSE(Button(5).isEnabled());
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_TRUE(ui.settingWrites.empty());
    EXPECT_EQ(net.startups, 0);
}

TEST_F(ToolbarTest, StartAndStopFollowTheRun) {
    TargetLoopback();
    Edit(QStringLiteral("txtNum")).setText(QStringLiteral("2"));
    Click(1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [127.0.0.1]"));
    EXPECT_FALSE(Button(1).isEnabled());
    EXPECT_TRUE(Button(2).isEnabled());
    EXPECT_FALSE(Item(QStringLiteral("mnuStartPinging")).isEnabled());
    EXPECT_TRUE(Item(QStringLiteral("mnuStopPinging")).isEnabled());
    Click(2);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(1).isEnabled());
    EXPECT_FALSE(Button(2).isEnabled());
    ASSERT_EQ(net.echoes.size(), 1u);
    EXPECT_EQ(net.echoes[0].destination, AddressFromOctets(127, 0, 0, 1));
}

TEST_F(ToolbarTest, RunLinesReachThePaneEndingInCrLfAsLines) {
    TargetLoopback();
    Click(1);
    const QString text = Get<QPlainTextEdit>(QStringLiteral("logRes")).toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("IP success from 127.0.0.1"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u'\n'));
    EXPECT_FALSE(text.contains(u'\r'));
}

TEST_F(ToolbarTest, CaptureOpensAndClosesFromTheToolbar) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Click(4);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].title, "Open Capture File...");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [run.log]"));
    EXPECT_FALSE(Button(4).isEnabled());
    EXPECT_TRUE(Button(5).isEnabled());
    EXPECT_FALSE(Item(QStringLiteral("mnuCaptureLog")).isEnabled());
    EXPECT_TRUE(Item(QStringLiteral("mnuCloseFile")).isEnabled());
    Click(5);
    EXPECT_TRUE(ui.openFiles.empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(4).isEnabled());
    EXPECT_FALSE(Button(5).isEnabled());
}

TEST_F(ToolbarTest, ClearEmptiesThePaneAndZeroesThePanels) {
    window->AppendLogText("line\r\n");
    window->SetPanelText(1, "Sent: 5");
    Click(6);
    EXPECT_TRUE(Get<QPlainTextEdit>(QStringLiteral("logRes")).toPlainText().isEmpty());
    EXPECT_EQ(Panel(1).text(), QStringLiteral("Sent: 0"));
}

TEST_F(ToolbarTest, ExitClosesTheWindowThroughTheUnloadSequence) {
    Click(13);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(ui.settingWrites.empty());
}

// A dialog that fails the way a toolkit error would.
class FailingDialogUi : public RecordingUi {
public:
    std::optional<std::string> ShowOpenDialog(const std::string&, const std::string&, int) override {
        throw std::runtime_error("dialog failed");
    }
};

TEST(ToolbarTrapTest, ErrorInsideAnOperationIsSwallowedWithoutAMessage) {
    EnsureApplication();
    FailingDialogUi failing;
    FakeNetworkServices net;
    frmPing window(net, failing);
    window.show();
    auto& tb = *window.findChild<QToolBar*>(QStringLiteral("tb"));
    QTest::mouseClick(tb.widgetForAction(tb.actions()[3]), Qt::LeftButton);
    EXPECT_TRUE(failing.boxes.empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(tb.actions()[3]->isEnabled());
}

class UnloadTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }
};

TEST_F(UnloadTest, SavesOnceInTheOrderOfTheStore) {
    window->close();
    const std::vector<std::string> order{
        "Settings/Window",    "Settings/MainLeft", "Settings/MainTop",     "Settings/MainWidth",
        "Settings/MainHeight", "Init/Address Mode", "Init/Host Name",       "Init/IPAddress Start",
        "Init/IPAddress Stop", "Init/DataSize",     "Init/Num",             "Init/TTL",
        "Init/Delay",         "Init/Timeout",      "Init/Loop",            "Init/ArpDeleteConfirm"};
    EXPECT_EQ(ui.settingWrites, order);
}

TEST_F(UnloadTest, ClosesAnOpenCaptureFile) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Item(QStringLiteral("mnuCaptureLog")).trigger();
    ASSERT_EQ(ui.openFiles.size(), 1u);
    window->close();
    EXPECT_TRUE(ui.openFiles.empty());
}

TEST_F(UnloadTest, ClosingMidEchoEndsAtOnceWithoutSummaryOrCrash) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Item(QStringLiteral("mnuCaptureLog")).trigger();
    for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(i == 0 ? "127" : i == 3 ? "1" : "0"));
    Check(QStringLiteral("chkLoop")).setChecked(true);
    Item(QStringLiteral("mnuStartPinging")).trigger();  // pass 1 answers at once
    ui.deferBackground = true;
    ui.timers.at(0)->Fire();  // pass 2 waits for its echo
    ASSERT_EQ(ui.pending.size(), 1u) << "an echo is in flight";
    Exit();
    EXPECT_TRUE(ui.openFiles.empty()) << "the capture file is closed";
    EXPECT_EQ(ui.files["/captures/run.log"].find("Ping Statistics"), std::string::npos);
    EXPECT_EQ(net.cleanups, 0) << "the sockets library is left to the program's end";
    ui.RunPending();  // the answer arrives after the window has gone
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.writes.size(), 1u) << "nothing is written after the window has gone";
}

}  // namespace
}  // namespace velmora::test
