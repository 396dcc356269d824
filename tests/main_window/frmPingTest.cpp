#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <stdexcept>

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
    EXPECT_FALSE(ui.timers.at(0)->enabled);
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

// The pane and the clock panel follow the difference to the design size,
// minimised and restored too; nothing else moves. The smallest window still
// shows both groups and the clock.
TEST_F(ShownTest, ResizeChangesOnlyThePaneAndTheClockPanelDownToAMinimumThatKeepsTheGroups) {
    const QSize design = window->size();
    const QSize designPane = Pane().size();
    const int designPanel7 = Panel(7).minimumWidth();
    const QRect frame2 = Get<QWidget>("Frame2").geometry();
    window->resize(design + QSize(100, 60));
    window->showMinimized();
    window->showNormal();
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

// A dialog that fails the way a toolkit error would.
class FailingDialogUi : public FakeUiServices {
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
