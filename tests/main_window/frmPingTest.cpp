#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <stdexcept>

#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

class LoadTest : public WindowTest {
protected:
    void SetUp() override { Open(); }

    void ExpectZeroPanels() const {
        const char* zero[] = {"Sent: 0", "Received: 0", "Lost: 0", "Maximum: 0", "Minimum: 0", "Average: 0"};
        for (int panel = 1; panel <= 6; ++panel) EXPECT_EQ(Panel(panel).text().toStdString(), zero[panel - 1]);
    }
    QPlainTextEdit& Pane() const { return Get<QPlainTextEdit>("logRes"); }
};

TEST_F(LoadTest, FreshStartDisablesOnlyStopAndCloseFile) {
    for (int position : {1, 4, 6, 8, 9, 11, 13}) EXPECT_TRUE(Button(position).isEnabled()) << position;
    for (int position : {2, 5}) EXPECT_FALSE(Button(position).isEnabled()) << position;
    for (const char* name : {"mnuStartPinging", "mnuExit", "mnuCaptureLog", "mnuClearLog", "mnuArpTable",
                             "mnuInterfaceInfo", "mnuHelpTopic", "mnuAboutSoftware"}) {
        EXPECT_TRUE(Item(name).isEnabled()) << name;
    }
    EXPECT_FALSE(Item("mnuStopPinging").isEnabled());
    EXPECT_FALSE(Item("mnuCloseFile").isEnabled());
}

TEST_F(LoadTest, FreshStartShowsZeroPanelsCaptionAndDefaults) {
    ExpectZeroPanels();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    ExpectDefaultFields();
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
TEST_F(LoadTest, ControlsStandAtTheirDesignPlaces) {
    const std::pair<const char*, QRect> places[] = {
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
    for (const auto& [name, place] : places) EXPECT_EQ(Get<QWidget>(name).geometry(), place) << name;
    const std::pair<const char*, QPoint> labels[] = {
        {"Label16", {264, 16}}, {"lblStartIP", {16, 16}}, {"lblStopIP", {16, 40}}, {"lblDNS", {16, 32}},
        {"Label8", {16, 16}},   {"Lable9", {88, 16}},     {"Label7", {152, 16}},   {"Label14", {200, 16}},
        {"Label13", {248, 16}},
    };
    for (const auto& [name, at] : labels) EXPECT_EQ(Get<QLabel>(name).pos(), at) << name;
}

TEST_F(LoadTest, LabelsAndTooltipsReadAsDesigned) {
    const std::pair<const char*, const char*> captions[] = {
        {"Label16", "IP/DNS"}, {"lblStartIP", "Start IP:"}, {"lblStopIP", "Stop IP:"}, {"lblDNS", "DNS:"},
        {"Label8", "Loop\\Num:"}, {"Lable9", "DataSize:"}, {"Label7", "TTL:"}, {"Label14", "Timeout:"},
        {"Label13", "Delay:"}, {"lblP1_0", "."}, {"lblP1_3", "."},
    };
    for (const auto& [name, caption] : captions) EXPECT_EQ(Get<QLabel>(name).text().toStdString(), caption) << name;
    const std::pair<const char*, const char*> tooltips[] = {
        {"txtStartIP_0", "Start IP address to ping to"}, {"txtStartIP_3", "Start IP address to ping to"},
        {"txtStopIP_0", "Stop IP address to ping to"},   {"txtStopIP_3", "Stop IP address to ping to"},
        {"chkLoop", "Loop until cancel"},                {"txtNum", "Number of pings"},
        {"TxtDataSize", "Data size (bytes) - up to 1500"}, {"txtTTL", "Time To Leave"},
        {"txtTimeout", "Timeout for ping replay (milli-second)"},
        {"txtDelay", "Delay between pings (milli-second)."},
        {"txtDNS", ""}, {"chkIpDns", ""},
    };
    for (const auto& [name, tip] : tooltips) EXPECT_EQ(Get<QWidget>(name).toolTip().toStdString(), tip) << name;
    const QLabel& dot = Get<QLabel>("lblP1_2");
    EXPECT_TRUE(dot.font().bold());
    EXPECT_EQ(dot.font().pointSize(), 18);
}

TEST_F(LoadTest, LogPaneIsReadOnlyOnTheTooltipColour) {
    EXPECT_TRUE(Pane().isReadOnly());
    EXPECT_EQ(Pane().palette().color(QPalette::Base), Pane().palette().color(QPalette::ToolTipBase));
}

TEST_F(LoadTest, MenusHoldEveryItemInOrderWithoutShortcuts) {
    const std::pair<const char*, const char*> menus[] = {
        {"mnuComm", "Comm"}, {"mnuLog", "Log"}, {"mnu3", "View"}, {"mnuHelp", "Help"}};
    for (const auto& [name, title] : menus) EXPECT_EQ(Get<QMenu>(name).title().toStdString(), title);
    const std::vector<std::pair<const char*, std::vector<std::pair<const char*, const char*>>>> items = {
        {"mnuComm", {{"mnuStartPinging", "Start Pinging"}, {"mnuStopPinging", "Stop Pinging"},
                     {"mnuParallel", "Sweep in parallel"}, {"mnu1", ""},
                     {"mnuExit", "Exit"}}},
        {"mnuLog", {{"mnuCaptureLog", "Capture log to file..."}, {"mnuCloseFile", "Close file"}, {"mnu2", ""},
                    {"mnuClearLog", "Clear log"}}},
        {"mnu3", {{"mnuArpTable", "Arp table information..."},
                  {"mnuInterfaceInfo", "Network Interface information..."}}},
        {"mnuHelp", {{"mnuHelpTopic", "Help Topic"}, {"mnu4", ""}, {"mnuAboutSoftware", "About Velmora..."}}},
    };
    for (const auto& [menu, entries] : items) {
        const QList<QAction*> actions = Get<QMenu>(menu).actions();
        ASSERT_EQ(actions.size(), qsizetype(entries.size())) << menu;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& [name, caption] = entries[i];
            EXPECT_EQ(actions[qsizetype(i)]->objectName().toStdString(), name);
            EXPECT_EQ(actions[qsizetype(i)]->isSeparator(), *caption == 0) << name;
            EXPECT_EQ(actions[qsizetype(i)]->text().toStdString(), caption) << name;
            EXPECT_TRUE(actions[qsizetype(i)]->shortcut().isEmpty()) << name;
        }
    }
}

TEST_F(LoadTest, ToolbarHasThirteenPositionsWithTheirTooltipsAndImages) {
    const std::pair<const char*, const char*> entries[] = {  // tooltip, image; nullptr: a separator
        {"Start pinging to target", "Start"}, {"Cancel pinging to target", "Stop"}, {nullptr, nullptr},
        {"Capture text to file", "StartCapture"}, {"Close capture file", "StopCapture"}, {"Clear log", "Clear"},
        {nullptr, nullptr}, {"Arp table Information...", "Arp"}, {"Network interfaces information...", "Interface"},
        {nullptr, nullptr}, {"Help topic", "Help"}, {nullptr, nullptr}, {"Exit program", "Exit"},
    };
    const QToolBar& tb = Get<QToolBar>("tb");
    ASSERT_EQ(tb.actions().size(), 13);
    EXPECT_EQ(tb.iconSize(), QSize(16, 16));
    for (int position = 1; position <= 13; ++position) {
        const auto& [tooltip, image] = entries[position - 1];
        const QAction& button = *tb.actions()[position - 1];
        EXPECT_EQ(&button, &Button(position));
        EXPECT_EQ(button.isSeparator(), tooltip == nullptr) << position;
        if (!tooltip) continue;
        EXPECT_EQ(button.toolTip().toStdString(), tooltip) << position;
        const QImage shown = button.icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage drawn =
            QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(image))).convertToFormat(QImage::Format_ARGB32);
        EXPECT_FALSE(drawn.isNull()) << image;
        EXPECT_EQ(shown, drawn) << position << " shows " << image;
    }
}

TEST_F(LoadTest, ImageListHoldsTwelveSixteenPixelImages) {
    for (const char* image : {"Stop", "Start", "StartCapture", "StopCapture", "Running", "Arp", "Setting", "Adapter",
                              "Interface", "Clear", "Exit", "Help"}) {
        EXPECT_EQ(QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(image))).size(), QSize(16, 16))
            << image;
    }
}

// A figure panel is at least 1440 twips and as wide as its widest text, so the
// bar does not jitter; the clock takes the rest.
TEST_F(LoadTest, FigurePanelsFitTheirWidestTextsAndTheClockTakesTheRest) {
    const char* widest[] = {"Sent: 00000",    "Received: 00000", "Lost: 00000",
                            "Maximum: 00000", "Minimum: 00000",  "Average: 00000"};
    int figures = 0;
    for (int panel = 1; panel <= 6; ++panel) {
        QLabel& label = Panel(panel);
        const int width = label.minimumWidth();
        EXPECT_GE(width, 96) << panel;
        EXPECT_EQ(width, label.maximumWidth()) << panel;
        figures += width;
        label.setText(QLatin1String(widest[panel - 1]));
        EXPECT_LE(label.sizeHint().width(), width) << panel;
    }
    EXPECT_NEAR(Panel(7).minimumWidth(), window->width() - figures, 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d$")).match(Panel(7).text()).hasMatch())
        << Panel(7).text().toStdString();
}

class ShownTest : public LoadTest {
protected:
    void SetUp() override {
        Open().show();
        designPane = Pane().size();
        designPanel7 = Panel(7).minimumWidth();
    }
    void Click(int position) { QTest::mouseClick(&ButtonWidget(position), Qt::LeftButton); }
    // Targets loopback only, and Num 1: the run ends after one echo.
    void TargetLoopback() {
        for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(i == 0 ? "127" : i == 3 ? "1" : "0"));
    }

    QSize designPane;
    int designPanel7 = 0;
};

TEST_F(ShownTest, PanelClickBlanksThatFigurePanelOnlyAndClearWritesEveryPanelAgain) {
    window->AppendLogText("line\r\n");
    for (int panel = 1; panel <= 7; ++panel) {
        SCOPED_TRACE(panel);
        QTest::mouseClick(&Panel(panel), Qt::LeftButton);
        EXPECT_EQ(Panel(panel).text().isEmpty(), panel < 7) << "the clock keeps its time";
        if (panel < 7) {
            EXPECT_FALSE(Panel(panel + 1).text().isEmpty());
        }
    }
    Click(6);  // Clear log
    QTRY_VERIFY(Pane().toPlainText().isEmpty());  // at the end of the frame the line began
    ExpectZeroPanels();
}

// 600 twips wider, 300 lower, both, and back: the pane and the clock panel
// follow the difference; nothing else moves.
TEST_F(ShownTest, ResizeChangesOnlyThePaneAndTheClockPanel) {
    const QSize design = window->size();
    const QRect frame1 = Get<QWidget>("Frame1").geometry();
    const QRect frame2 = Get<QWidget>("Frame2").geometry();
    const QPoint paneAt = Pane().pos();
    for (const QSize change : {QSize(40, 0), QSize(0, 20), QSize(100, 60), QSize(0, 0), QSize(40, 20)}) {
        SCOPED_TRACE(testing::Message() << change.width() << " x " << change.height());
        window->resize(design + change);
        EXPECT_EQ(Pane().size(), designPane + change);
        EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + change.width());
        EXPECT_EQ(Get<QWidget>("Frame1").geometry(), frame1);
        EXPECT_EQ(Get<QWidget>("Frame2").geometry(), frame2);
        EXPECT_EQ(Pane().pos(), paneAt);
    }
    window->showMinimized();
    window->showNormal();
    EXPECT_EQ(window->size(), design + QSize(40, 20));
    EXPECT_EQ(Pane().size(), designPane + QSize(40, 20));
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + 40);
}

// The smallest window still shows both groups, the six figure panels and the
// clock; the pane and the clock panel follow the difference back.
TEST_F(ShownTest, AMinimumSizeKeepsTheGroupsAndThePanelsInView) {
    const QSize design = window->size();
    window->resize(1, 1);
    EXPECT_EQ(window->size(), window->minimumSize());
    const QWidget& body = *window->centralWidget();
    for (const char* group : {"Frame1", "Frame2"}) {
        EXPECT_TRUE(body.rect().contains(Get<QWidget>(group).geometry())) << group;
    }
    EXPECT_LE(Panel(7).geometry().right(), window->statusBar()->width());
    EXPECT_GE(Panel(7).width(), Panel(7).sizeHint().width()) << "the clock's time fits";
    EXPECT_GE(Pane().height(), 0);
    window->resize(design);
    EXPECT_EQ(Pane().size(), designPane);
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7);
}

TEST_F(ShownTest, ToolbarSeparatorsDoNothing) {
    window->AppendLogText("kept\r\n");
    const QString log = Pane().toPlainText();
    for (int position : {3, 7, 10, 12}) {
        SCOPED_TRACE(position);
        Click(position);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
        EXPECT_EQ(Pane().toPlainText(), log);
        for (int enabled : {1, 4}) EXPECT_TRUE(Button(enabled).isEnabled());
        for (int disabled : {2, 5}) EXPECT_FALSE(Button(disabled).isEnabled());
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_TRUE(ui.settingWrites.empty());
    EXPECT_EQ(net.startups, 0);
}

// Lines reach the pane as lines: CR LF becomes the pane's line end.
TEST_F(ShownTest, StartAndStopFollowTheRunWhoseLinesReachThePane) {
    TargetLoopback();
    Edit("txtNum").setText(QStringLiteral("2"));
    Click(1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [127.0.0.1]"));
    EXPECT_FALSE(Button(1).isEnabled());
    EXPECT_TRUE(Button(2).isEnabled());
    EXPECT_FALSE(Item("mnuStartPinging").isEnabled());
    EXPECT_TRUE(Item("mnuStopPinging").isEnabled());
    const QString text = Pane().toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("IP success from 127.0.0.1"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("    #1\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(u'\r'));
    Click(2);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(1).isEnabled());
    EXPECT_FALSE(Button(2).isEnabled());
    ASSERT_EQ(net.echoes.size(), 1u);
    EXPECT_EQ(net.echoes[0].destination, AddressFromOctets(127, 0, 0, 1));
}

TEST_F(ShownTest, CaptureOpensAndClosesFromTheToolbar) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Click(4);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [run.log]"));
    EXPECT_FALSE(Button(4).isEnabled());
    EXPECT_TRUE(Button(5).isEnabled());
    EXPECT_FALSE(Item("mnuCaptureLog").isEnabled());
    EXPECT_TRUE(Item("mnuCloseFile").isEnabled());
    Click(5);
    EXPECT_TRUE(ui.openFiles.empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(4).isEnabled());
    EXPECT_FALSE(Button(5).isEnabled());
}

// A dialog that fails the way a toolkit error would.
class FailingDialogUi : public RecordingUi {
public:
    std::optional<std::string> ShowOpenDialog(const std::string&, const std::string&, int) override {
        throw std::runtime_error("dialog failed");
    }
};

TEST_F(WindowTest, ToolbarTrapSwallowsAnErrorInsideAnOperationWithoutAMessage) {
    FailingDialogUi failing;
    Open(&failing).show();
    QTest::mouseClick(&ButtonWidget(4), Qt::LeftButton);
    EXPECT_TRUE(failing.boxes.empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(Button(4).isEnabled());
    window.reset();
}

TEST_F(ShownTest, ExitSavesOnceInTheOrderOfTheStoreAndClosesTheWindow) {
    Click(13);
    EXPECT_FALSE(window->isVisible());
    const std::vector<std::string> order{
        "Settings/Window",    "Settings/MainLeft", "Settings/MainTop",     "Settings/MainWidth",
        "Settings/MainHeight", "Init/Address Mode", "Init/Host Name",       "Init/IPAddress Start",
        "Init/IPAddress Stop", "Init/DataSize",     "Init/Num",             "Init/TTL",
        "Init/Delay",         "Init/Timeout",      "Init/Loop",            "Init/ArpDeleteConfirm", "Init/Parallel"};
    EXPECT_EQ(ui.settingWrites, order);
}

TEST_F(ShownTest, ClosingMidEchoClosesTheCaptureAndEndsAtOnceWithoutSummaryOrCrash) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Item("mnuCaptureLog").trigger();
    ASSERT_EQ(ui.openFiles.size(), 1u);
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
    ui.RunPending();  // the answer arrives after the window has gone
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.writes.size(), 1u) << "nothing is written after the window has gone";
}

}  // namespace
}  // namespace velmora::test
