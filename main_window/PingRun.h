#pragma once
// The run logic of the main window: the range walk, the timed passes, the
// result lines, the figures and the summary, the log pane's text and the
// capture file. It owns the run timer; every echo waits off the
// user-interface thread and its slot resumes on it, so the window never
// freezes. All state lives on the user-interface thread.
//
// A pass is a small state machine driven by a loop (Drive): begin the pass,
// resolve the host name (off the thread), then per slot: begin it, echo (off
// the thread), take the answer, finish it; then end the pass. A background
// answer that arrives synchronously (as in tests) only moves the phase on and
// the loop takes it from there, so a pass of any length uses constant stack.
// Background work holds copies of its inputs and never this object; its
// answer is dropped when this object is gone or the wait was abandoned (Stop).
//
// In parallel mode a range pass sweeps instead (ParallelSweep); each line is
// written as soon as its slot and every slot before it have their answers,
// through the same line writer, so the lines read as in sequential mode.
//
// The line writer also records each echo into the data set (EchoStore) that
// the monitoring views show, through EchoRecorder; a Start begins a new data set.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/mdbPing.h"
#include "main_window/CaptureFile.h"
#include "main_window/EchoRecorder.h"
#include "main_window/LogPane.h"
#include "main_window/ParallelSweep.h"
#include "main_window/PingRunView.h"
#include "main_window/RangeWalk.h"
#include "main_window/SlotEcho.h"
#include "main_window/Statistics.h"
#include "monitoring/EchoStore.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

class PingRun {
public:
    PingRun(PingRunView& view, NetworkServices& net, UiServices& ui, EchoStore& echoes);
    ~PingRun();
    PingRun(const PingRun&) = delete;
    PingRun& operator=(const PingRun&) = delete;

    void StartPinging();
    // Ends the run at once: the echo or look-up in flight is abandoned,
    // writes no line and is not counted.
    void StopPinging();
    void ClearLog();
    void ClearStatistic();
    void OpenCaptureFile();
    void CloseCaptureFile();
    void WriteLog(const std::string& text);
    // Parallel mode, taken up by the next pass.
    void SetParallel(bool parallel);
    // Result lines start with the local time of their echo.
    void SetTimestamps(bool timestamps);
    // A desktop notification when an address goes down or comes back, at
    // the end of the pass that saw it.
    void SetAlerts(bool alert, int alertAfter);

    bool Capturing() const;
    // The capture dialog's folder, kept in the settings store.
    const std::string& CaptureFolder() const { return capture_.LastFolder(); }
    void SetCaptureFolder(const std::string& folder) { capture_.SetLastFolder(folder); }
    const std::string& LogText() const;

private:
    // What a step of the pass does next; the Await phases wait for a background answer.
    // Sweep: a parallel pass waits for pacing ticks and answers, and writes the lines they allow.
    enum class Phase { Idle, BeginPass, AwaitName, TakeName, BeginSlot, AwaitEcho, TakeEcho, FinishSlot, Sweep, EndPass };

    bool CheckTarget();
    bool RefuseOctet(const char* address, Control box);
    bool CheckParameters();
    std::string TargetCaption() const;

    void tmrDelay_Timer();
    void Drive();
    bool Step();
    void Await(Phase waiting, std::function<void()> work, Phase answered);
    void RecoverFromFailedStep(Phase failed);
    void AbandonPass();
    void CloseEchoHandle();

    void BeginPass();
    void ResolveHostName();
    void TakeResolvedName();
    bool InitIpList();
    void BeginSlot();
    void AnswerWithoutEcho(std::int32_t status);
    void SendEcho(const SlotRequest& request);
    void TakeEchoAnswer();
    void FinishSlot();
    void WriteSlotLine(bool lastOfPass);
    SlotRequest ReadSlotRequest();

    void BeginSlots();
    void BeginSweep();
    bool WriteSweptLines();
    void ShowPermissionAdviceOnce();
    void EndPass();
    void StopProcess();

    void GetStatistic();
    void ShowPanels(const PanelTexts& texts);

    PingRunView& view_;
    NetworkServices& net_;
    UiServices& ui_;
    mdbPing engine_;
    std::unique_ptr<Timer> tmrDelay_;
    ParallelSweep sweep_;
    LogPane logRes_;
    CaptureFile capture_;
    EchoRecorder recorder_;
    Statistics statistics_;
    RangeWalk walk_;

    bool running_ = false;
    Phase phase_ = Phase::Idle;
    bool driving_ = false;
    bool adviceShown_ = false;
    bool passWroteLine_ = false;
    std::uint64_t awaitTicket_ = 0;  // the answer a wait takes; a new ticket drops the old one's

    std::string currentIp_;
    std::string lastTarget_;
    bool passByName_ = false;
    std::string passHostName_;  // as typed, in host name mode
    bool passOk_ = false;  // false: the name did not resolve, the pass has one slot without echo
    std::shared_ptr<std::string> resolvedName_;
    std::shared_ptr<EchoJob> echoJob_;
    std::optional<IcmpHandle> echoHandle_;  // open while its echo waits
    ReplyRecord replyRecord_;  // reused for every slot: what the platform does not write stays
    Slot slot_;
    bool parallel_ = false;
    bool timestamps_ = false;
    bool sweepPass_ = false;  // parallel_ as the pass began
    std::int64_t passCount_ = 0;
    double pingNum_ = 0;

    struct AliveToken {};
    std::shared_ptr<AliveToken> alive_ = std::make_shared<AliveToken>();
};

}  // namespace velmora
