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

// Cancelled, the dialog changes nothing; a new file is created and named in the caption.
TEST_F(CaptureTest, DialogAsksForALogFileAndANewOneIsCreated) {
    run->OpenCaptureFile();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].title, "Open Capture File...");
    EXPECT_EQ(ui.dialogs[0].filter, "Log Files (*.log)|*.log");
    EXPECT_EQ(ui.dialogs[0].flags, 0x80004);
    EXPECT_FALSE(run->Capturing());
    EXPECT_TRUE(view.captions.empty());
    EXPECT_TRUE(ui.files.empty());

    OpenCapture();
    EXPECT_TRUE(run->Capturing());
    EXPECT_TRUE(view.capturing);
    EXPECT_EQ(view.Caption(), "Velmora [run.log]");
    EXPECT_EQ(ui.files.at(kPath), "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CaptureTest, ExistingFileIsReplacedOnYesAndAppendedToOnNo) {
    for (const auto& [answer, contents] : {std::pair{vbYes, "new\r\n"}, std::pair{vbNo, "old\r\nnew\r\n"}}) {
        SCOPED_TRACE(answer);
        ui.files[kPath] = "old\r\n";
        ui.answers = {answer};
        ui.boxes.clear();
        OpenCapture();
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].prompt, "Replace existing file - /home/user/logs/run.log?");
        EXPECT_EQ(ui.boxes[0].style, vbYesNoCancelQuestion | vbDefaultButton2) << "Enter answers No";
        run->WriteLog("new");
        EXPECT_EQ(ui.files.at(kPath), contents);
        run->CloseCaptureFile();
    }
}

TEST_F(CaptureTest, CancelOnTheQuestionShowsTheDialogAgain) {
    ui.files[kPath] = "old\r\n";
    ui.answers = {vbCancel};
    ui.dialogAnswers = {kPath, std::string("/tmp/other.log")};
    run->OpenCaptureFile();
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(view.Caption(), "Velmora [other.log]");
    run->WriteLog("new");
    EXPECT_EQ(ui.files.at(kPath), "old\r\n");
    EXPECT_EQ(ui.files.at("/tmp/other.log"), "new\r\n");
}

struct OpenFailureCase {
    const char* name;
    std::deque<std::string> FakeUiServices::*failures;
    bool existing;
    friend void PrintTo(const OpenFailureCase& c, std::ostream* os) { *os << c.name; }
};

class CaptureOpenFailureTest : public CaptureTest, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(CaptureOpenFailureTest, SaysWhyAndLeavesNoCapture) {
    if (GetParam().existing) ui.files[kPath] = "old\r\n";
    ui.answers = {vbYes};
    (ui.*GetParam().failures).push_back("Permission denied");
    OpenCapture();
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().prompt, "Permission denied");
    EXPECT_EQ(ui.boxes.back().style, vbExclamation);
    EXPECT_FALSE(run->Capturing());
    EXPECT_FALSE(view.capturing);
    EXPECT_TRUE(view.captions.empty());
    EXPECT_TRUE(ui.openFiles.empty());
    run->WriteLog("line");
    EXPECT_TRUE(ui.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CaptureOpenFailureTest,
    testing::Values(OpenFailureCase{"ExistenceCheck", &FakeUiServices::existsFailures, false},
                    OpenFailureCase{"Deletion", &FakeUiServices::deleteFailures, true},
                    OpenFailureCase{"Opening", &FakeUiServices::openFailures, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureTest, FailedWriteRetriesTheSameText) {
    OpenCapture();
    ui.writeFailures = {"Disk full"};
    ui.answers = {vbRetry};
    run->WriteLog("line");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Disk full");
    EXPECT_EQ(ui.boxes[0].style, vbRetryCancelCritical);
    EXPECT_EQ(ui.writes, (std::vector<std::string>{"line\r\n", "line\r\n"}));
    EXPECT_EQ(ui.files.at(kPath), "line\r\n");
}

TEST_F(CaptureTest, CancelGivesUpTheTextButTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    OpenCapture();
    ui.writeFailures = {"Disk full", "Disk full"};
    ui.answers = {vbRetry, vbCancel};
    run->StartPinging();
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.writes.size(), 3u);
    EXPECT_EQ(view.Lines().size(), 2u);
    EXPECT_EQ(ui.files.at(kPath), "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=120 bytes    TTL=64\r\n");
}

TEST_F(CaptureTest, TheFileHoldsExactlyWhatThePaneShows) {
    run->WriteLog("before the capture");
    OpenCapture();
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "2";
    net.answer = [](const EchoRequest& r) {
        return r.destination == AddressFromOctets(10, 0, 0, 2) ? EchoFailure(IP_REQ_TIMED_OUT) : EchoSuccess(r, 4);
    };
    run->StartPinging();
    RunToEnd();

    const std::string expected =
        "IP success from 10.0.0.1    RoundTripTime=4ms    DataSize=120 bytes    TTL=64    #1\r\n"
        "IP req timed out from 10.0.0.2    #1\r\n"
        "IP success from 10.0.0.1    RoundTripTime=4ms    DataSize=120 bytes    TTL=64    #2\r\n"
        "IP req timed out from 10.0.0.2    #2\r\n"
        "\r\n"
        "Ping Statistics from 10.0.0.2:\r\n"
        "   Packets:   Sent = 4,   Received = 2,   Lost = 2\r\n"
        "   RoundTripTimes:   Maximum = 4,  Minimum = 4,  Average = 4\r\n"
        "\r\n";
    EXPECT_EQ(ui.files.at(kPath), expected);
    EXPECT_EQ(view.log, "before the capture\r\n" + expected);
    EXPECT_EQ(ui.writes.size(), 5u);  // one write per text: the summary is one
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
    EXPECT_EQ(view.Lines().size(), 7u);
    EXPECT_FALSE(view.running);
}

TEST_F(CaptureTest, ClearLogLeavesTheFileAlone) {
    OpenCapture();
    run->WriteLog("kept");
    run->ClearLog();
    EXPECT_EQ(ui.files.at(kPath), "kept\r\n");
}

TEST_F(CaptureTest, CloseStopsTheCaptureAndRestoresTheCaption) {
    OpenCapture();
    run->WriteLog("one");
    run->CloseCaptureFile();
    EXPECT_FALSE(run->Capturing());
    EXPECT_FALSE(view.capturing);
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_TRUE(ui.openFiles.empty());
    run->WriteLog("two");
    EXPECT_EQ(ui.files.at(kPath), "one\r\n");
}

TEST_F(CaptureTest, DestroyingTheRunClosesTheFile) {
    OpenCapture();
    run.reset();
    EXPECT_TRUE(ui.openFiles.empty());
}

// --- The caption: the last of capture and run wins ---

TEST_F(CaptureTest, RunStartedWhileCapturingShowsTheTargetThenVelmora) {
    view.loop = true;
    OpenCapture();
    run->StartPinging();
    EXPECT_EQ(view.Caption(), "Velmora [10.0.0.1]");
    run->StopPinging();
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_TRUE(run->Capturing());
    EXPECT_TRUE(view.capturing);
}

TEST_F(CaptureTest, CaptureOpenedDuringARunShowsTheFileThenVelmora) {
    view.loop = true;
    run->StartPinging();
    OpenCapture();
    EXPECT_EQ(view.Caption(), "Velmora [run.log]");
    run->CloseCaptureFile();
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_TRUE(view.running);
    ASSERT_TRUE(RunTimer().Fire());
    EXPECT_EQ(view.Caption(), "Velmora");
    EXPECT_EQ(ui.files.at(kPath), "");
}

}  // namespace
}  // namespace velmora::test
