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
    std::string Panels() const {
        std::string texts;
        for (int panel = 1; panel <= 6; ++panel) texts += Panel(panel).text().toStdString() + "|";
        return texts;
    }
    QPlainTextEdit& Pane() const { return Get<QPlainTextEdit>("logRes"); }
    static constexpr const char* kZeroPanels = "Sent: 0|Received: 0|Lost: 0|Maximum: 0|Minimum: 0|Average: 0|";
};

TEST_F(LoadTest, FreshStartShowsTheDefaultsAndStartsNothingButTheRandomSeed) {
    for (int position : {1, 2, 4, 5, 6, 8, 9, 11, 13}) {
        EXPECT_EQ(Button(position).isEnabled(), position != 2 && position != 5) << position;
    }
    EXPECT_TRUE(Item("mnuStartPinging").isEnabled() && !Item("mnuStopPinging").isEnabled());
    EXPECT_TRUE(Item("mnuCaptureLog").isEnabled() && !Item("mnuCloseFile").isEnabled());
    EXPECT_EQ(Panels(), kZeroPanels);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora"));
    ExpectDefaultFields();
    EXPECT_EQ(ui.randomizeCalls, 1);
    EXPECT_FALSE(ui.timers.at(0)->enabled);
    EXPECT_EQ(net.startups, 0);
    EXPECT_TRUE(ui.boxes.empty() && ui.dialogs.empty() && ui.openFiles.empty() && ui.settingWrites.empty());
    EXPECT_TRUE(Pane().isReadOnly());
    EXPECT_EQ(Pane().palette().color(QPalette::Base), Pane().palette().color(QPalette::ToolTipBase));
}

// Design places in twips divided by 15, relative to each control's parent (a
// label's corner only); a label's caption or another control's tooltip.
TEST_F(LoadTest, ControlsStandAtTheirDesignPlacesWithTheirTexts) {
    const struct {
        const char* name;
        QRect place;
        const char* text;
    } rows[] = {
        {"Frame1", {8, 0, 313, 65}, ""}, {"Frame2", {328, 0, 313, 65}, ""},
        {"logRes", {8, 68, 633, 217}, ""}, {"chkIpDns", {272, 32, 17, 17}, ""},
        {"txtStartIP_0", {64, 16, 41, 19}, "Start IP address to ping to"},
        {"txtStartIP_3", {208, 16, 41, 19}, "Start IP address to ping to"},
        {"txtStopIP_0", {64, 40, 41, 19}, "Stop IP address to ping to"},
        {"txtStopIP_3", {208, 40, 41, 19}, "Stop IP address to ping to"}, {"lblP1_0", {104, 8, 9, 25}, "."},
        {"lblP1_5", {200, 32, 9, 25}, "."}, {"txtDNS", {64, 32, 185, 19}, ""},
        {"chkLoop", {16, 32, 17, 17}, "Loop until cancel"}, {"txtNum", {40, 32, 41, 19}, "Number of pings"},
        {"TxtDataSize", {88, 32, 57, 19}, "Data size (bytes) - up to 1500"},
        {"txtTTL", {152, 32, 41, 19}, "Time To Leave"},
        {"txtTimeout", {200, 32, 41, 19}, "Timeout for ping replay (milli-second)"},
        {"txtDelay", {248, 32, 41, 19}, "Delay between pings (milli-second)."},
        {"Label16", {264, 16, 0, 0}, "IP/DNS"}, {"lblStartIP", {16, 16, 0, 0}, "Start IP:"},
        {"lblStopIP", {16, 40, 0, 0}, "Stop IP:"}, {"lblDNS", {16, 32, 0, 0}, "DNS:"},
        {"Label8", {16, 16, 0, 0}, "Loop\\Num:"}, {"Lable9", {88, 16, 0, 0}, "DataSize:"},
        {"Label7", {152, 16, 0, 0}, "TTL:"}, {"Label14", {200, 16, 0, 0}, "Timeout:"},
        {"Label13", {248, 16, 0, 0}, "Delay:"},
    };
    for (const auto& row : rows) {
        const QWidget& control = Get<QWidget>(row.name);
        const auto* label = qobject_cast<const QLabel*>(&control);
        EXPECT_EQ(label ? label->text() : control.toolTip(), QLatin1String(row.text)) << row.name;
        EXPECT_EQ(row.place.isEmpty() ? QRect(control.pos(), QSize(0, 0)) : control.geometry(), row.place) << row.name;
    }
    EXPECT_TRUE(Get<QLabel>("lblP1_2").font().bold());
    EXPECT_EQ(Get<QLabel>("lblP1_2").font().pointSize(), 18);
}

// Each menu's items as "name=caption", an empty caption for a separator.
TEST_F(LoadTest, MenusHoldEveryItemInOrderWithoutShortcuts) {
    const std::pair<const char*, const char*> menus[] = {
        {"mnuComm", "Comm: mnuStartPinging=Start Pinging, mnuStopPinging=Stop Pinging, "
                    "mnuParallel=Sweep in parallel, mnu1=, mnuExit=Exit"},
        {"mnuLog", "Log: mnuCaptureLog=Capture log to file..., mnuCloseFile=Close file, mnu2=, mnuClearLog=Clear log"},
        {"mnu3", "View: mnuArpTable=Arp table information..., mnuInterfaceInfo=Network Interface information..."},
        {"mnuHelp", "Help: mnuHelpTopic=Help Topic, mnu4=, mnuAboutSoftware=About Velmora..."},
    };
    for (const auto& [name, expected] : menus) {
        const QMenu& menu = Get<QMenu>(name);
        QStringList items;
        for (const QAction* a : menu.actions()) {
            items << a->objectName() + u'=' + a->text();
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
            EXPECT_EQ(a->isSeparator(), a->text().isEmpty()) << a->objectName().toStdString();
        }
        EXPECT_EQ((menu.title() + QStringLiteral(": ") + items.join(QStringLiteral(", "))).toStdString(), expected);
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
    for (int position = 1; position <= 13; ++position) {
        const auto& [tooltip, image] = entries[position - 1];
        const QAction& button = *tb.actions()[position - 1];
        EXPECT_EQ(&button, &Button(position));
        EXPECT_EQ(button.isSeparator(), tooltip == nullptr) << position;
        if (!tooltip) continue;
        EXPECT_EQ(button.toolTip().toStdString(), tooltip) << position;
        const QImage shown = button.icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage drawn = QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(image)));
        EXPECT_EQ(drawn.size(), QSize(16, 16)) << image;
        EXPECT_EQ(shown, drawn.convertToFormat(QImage::Format_ARGB32)) << position << " shows " << image;
    }
}

// A figure panel is at least 1440 twips and as wide as its widest text, so the
// bar does not jitter; the clock takes the rest.
TEST_F(LoadTest, FigurePanelsFitTheirWidestTextsAndTheClockTakesTheRest) {
    int figures = 0;
    for (int panel = 1; panel <= 6; ++panel) {
        QLabel& label = Panel(panel);
        const int width = label.minimumWidth();
        EXPECT_GE(width, 96) << panel;
        EXPECT_EQ(width, label.maximumWidth()) << panel;
        figures += width;
        label.setText(label.text().replace(QStringLiteral("0"), QStringLiteral("00000")));
        EXPECT_LE(label.sizeHint().width(), width) << panel;
    }
    EXPECT_NEAR(Panel(7).minimumWidth(), window->width() - figures, 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d$")).match(Panel(7).text()).hasMatch());
}

class ShownTest : public LoadTest {
protected:
    void SetUp() override {
        Open().show();
        designPane = Pane().size();
        designPanel7 = Panel(7).minimumWidth();
    }
    void Click(int position) { QTest::mouseClick(&ButtonWidget(position), Qt::LeftButton); }
    // Loopback only, Num 1: the run ends after one echo.
    void TargetLoopback() {
        for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(i == 0 ? "127" : i == 3 ? "1" : "0"));
    }

    QSize designPane;
    int designPanel7 = 0;
};

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

// The pane and the clock panel follow the difference to the design size,
// minimised and restored too; nothing else moves. The smallest window still
// shows both groups, the six figure panels and the clock.
TEST_F(ShownTest, ResizeChangesOnlyThePaneAndTheClockPanelDownToAMinimumThatKeepsTheGroups) {
    const QSize design = window->size();
    const QRect frame2 = Get<QWidget>("Frame2").geometry();
    for (const QSize change : {QSize(40, 0), QSize(0, 20), QSize(100, 60)}) {
        window->resize(design + change);
        EXPECT_EQ(Pane().size(), designPane + change);
        EXPECT_EQ(Panel(7).minimumWidth(), designPanel7 + change.width());
        EXPECT_EQ(Get<QWidget>("Frame2").geometry(), frame2);
    }
    window->showMinimized();
    window->showNormal();
    EXPECT_EQ(Pane().size(), designPane + QSize(100, 60));

    window->resize(1, 1);
    EXPECT_EQ(window->size(), window->minimumSize());
    for (const char* group : {"Frame1", "Frame2"}) {
        EXPECT_TRUE(window->centralWidget()->rect().contains(Get<QWidget>(group).geometry())) << group;
    }
    EXPECT_LE(Panel(7).geometry().right(), window->statusBar()->width());
    EXPECT_GE(Panel(7).width(), Panel(7).sizeHint().width()) << "the clock's time fits";
    window->resize(design);
    EXPECT_EQ(Pane().size(), designPane);
    EXPECT_EQ(Panel(7).minimumWidth(), designPanel7);
}

// Lines reach the pane as lines: CR LF becomes the pane's line end.
TEST_F(ShownTest, StartAndStopFollowTheRunWhoseLinesReachThePane) {
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
}

TEST_F(ShownTest, CaptureOpensAndClosesFromTheToolbar) {
    ui.dialogAnswers.push_back(std::string("/captures/run.log"));
    Click(4);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora [run.log]"));
    EXPECT_TRUE(!Button(4).isEnabled() && Button(5).isEnabled());
    EXPECT_TRUE(!Item("mnuCaptureLog").isEnabled() && Item("mnuCloseFile").isEnabled());
    Click(5);
    EXPECT_TRUE(ui.openFiles.empty());
    EXPECT_TRUE(Button(4).isEnabled() && !Button(5).isEnabled());
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
    EXPECT_TRUE(Button(4).isEnabled());
    window.reset();
}

TEST_F(ShownTest, ExitSavesOnceInTheOrderOfTheStoreAndClosesTheWindow) {
    Click(13);
    EXPECT_FALSE(window->isVisible());
    const std::vector<std::string> order{
        "Settings/Window",     "Settings/MainLeft", "Settings/MainTop",     "Settings/MainWidth",
        "Settings/MainHeight", "Init/Address Mode", "Init/Host Name",       "Init/IPAddress Start",
        "Init/IPAddress Stop", "Init/DataSize",     "Init/Num",             "Init/TTL",
        "Init/Delay",          "Init/Timeout",      "Init/Loop",            "Init/ArpDeleteConfirm", "Init/Parallel"};
    EXPECT_EQ(ui.settingWrites, order);
    EXPECT_EQ(ui.storeOpenings, 2) << "once for the restore, once for the save";
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
    ui.RunPending();  // the answer arrives after the window has gone
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.writes.size(), 1u) << "nothing is written after the window has gone";
}

}  // namespace
}  // namespace velmora::test
