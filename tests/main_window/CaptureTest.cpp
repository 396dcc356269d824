#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

const std::string kPath = "/home/user/logs/run.log";

class CaptureTest : public RunTest {
protected:
    void OpenCapture(const std::string& path = kPath) {
        ui.dialogAnswers.push_back(path);
        run->OpenCaptureFile();
    }
};

// Yes replaces, No appends, Cancel shows the dialog again.
TEST_F(CaptureTest, AnExistingFileIsReplacedOrAppendedToOrAnotherChosen) {
    const struct {
        int answer;
        const char* contents;
    } rows[] = {{vbYes, "new\r\n"}, {vbNo, "old\r\nnew\r\n"}, {vbCancel, "old\r\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        ui.files = {{kPath, "old\r\n"}};
        ui.answers = {row.answer};
        ui.boxes.clear();
        ui.dialogAnswers = {kPath, std::string("/tmp/other.log")};
        run->OpenCaptureFile();
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].prompt, "Replace existing file - /home/user/logs/run.log?");
        EXPECT_EQ(ui.boxes[0].style, vbYesNoCancelQuestion | vbDefaultButton2) << "Enter answers No";
        run->WriteLog("new");
        EXPECT_EQ(ui.files.at(kPath), row.contents);
        EXPECT_EQ(ui.files.count("/tmp/other.log"), row.answer == vbCancel ? 1u : 0u);
        run->CloseCaptureFile();
    }
}

TEST_F(CaptureTest, FailuresOnTheWayInSayWhyAndLeaveNoCapture) {
    for (auto failures : {&FakeUiServices::existsFailures, &FakeUiServices::deleteFailures,
                          &FakeUiServices::openFailures}) {
        ui.files = {{kPath, "old\r\n"}};
        ui.answers = {vbYes};
        ui.boxes.clear();
        (ui.*failures).push_back("Permission denied");
        OpenCapture();
        EXPECT_EQ(ui.boxes.back().prompt, "Permission denied");
        EXPECT_EQ(ui.boxes.back().style, vbExclamation);
        EXPECT_FALSE(run->Capturing());
        EXPECT_TRUE(view.captions.empty());
        EXPECT_TRUE(ui.openFiles.empty());
    }
    run->WriteLog("line");
    EXPECT_TRUE(ui.writes.empty());
}

// Retry writes the same text again; Cancel gives it up and the run goes on.
TEST_F(CaptureTest, FailedWritesAskAndTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    OpenCapture();
    ui.writeFailures = {"Disk full", "Disk full", "Disk full"};
    ui.answers = {vbRetry, vbCancel, vbRetry};
    run->StartPinging();
    EXPECT_EQ(Prompts(), std::vector<std::string>(3, "Disk full"));
    EXPECT_EQ(ui.boxes[0].style, vbRetryCancelCritical);
    EXPECT_EQ(ui.writes.size(), 4u);
    EXPECT_EQ(ui.writes[0], ui.writes[1]);
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(ui.files.at(kPath), "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

TEST_F(CaptureTest, TheFileHoldsExactlyWhatThePaneShowsFromTheOpening) {
    run->WriteLog("before the capture");
    OpenCapture();
    view.parameters[Control::Num] = "2";
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); };
    run->StartPinging();
    RunToEnd();
    const std::string captured = ui.files.at(kPath);
    EXPECT_EQ("before the capture\r\n" + captured, view.log);
    EXPECT_EQ(ui.writes.size(), 3u) << "one write per text: the summary is one";
    run->ClearLog();
    EXPECT_EQ(ui.files.at(kPath), captured) << "Clear log leaves the file alone";
}

// The summary's write-error box runs an event loop while the timer is still
// on: a tick then must not start another pass of the ended run.
TEST_F(CaptureTest, TickDuringTheEndOfTheRunStartsNothing) {
    view.parameters[Control::Num] = "2";
    OpenCapture();
    run->StartPinging();
    ui.writeFailures = {"Disk full", "Disk full"};
    ui.onMsgBox = [this](const ShownBox&) { RunTimer().Fire(); };
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.boxes.size(), 2u);  // the second pass's line, then the summary
    EXPECT_EQ(net.echoes.size(), 2u);
    EXPECT_FALSE(view.running);
}

// Cancelled, the dialog changes nothing; a new file is created and named in
// the caption, which shows the last of capture and run; closing either shows Velmora.
TEST_F(CaptureTest, DialogCreatesANewFileAndCaptureAndRunShareTheCaption) {
    run->OpenCaptureFile();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].title, "Open Capture File...");
    EXPECT_EQ(ui.dialogs[0].filter, "Log Files (*.log)|*.log");
    EXPECT_EQ(ui.dialogs[0].flags, 0x80004);
    EXPECT_TRUE(view.captions.empty());
    view.loop = true;
    OpenCapture();
    EXPECT_EQ(view.Caption(), "Velmora [run.log]");
    EXPECT_EQ(ui.files.at(kPath), "");
    run->StartPinging();
    EXPECT_EQ(view.Caption(), "Velmora [10.0.0.1]");
    run->StopPinging();
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_TRUE(view.capturing);
    run->CloseCaptureFile();
    run->StartPinging();
    OpenCapture("/tmp/second.log");
    EXPECT_EQ(view.Caption(), "Velmora [second.log]");
    run->CloseCaptureFile();
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_FALSE(view.capturing);
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(ui.files.at("/tmp/second.log"), "") << "nothing is written after the close";
    OpenCapture();
    run.reset();
    EXPECT_TRUE(ui.openFiles.empty()) << "destroying the run closes the file";
}

}  // namespace
}  // namespace velmora::test
