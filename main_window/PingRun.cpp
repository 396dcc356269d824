#include "main_window/PingRun.h"

#include <algorithm>

#include "main_window/NumericValue.h"
#include "main_window/ResultLine.h"
#include "main_window/RunFields.h"
#include "monitoring/TimeTexts.h"

namespace velmora {

namespace {

constexpr std::uint8_t kHostNameMode = 1;
constexpr std::int32_t kNameNotResolved = 11024;

std::string CaptionWith(const std::string& subject) { return std::string(kAppName) + " [" + subject + "]"; }

}  // namespace

PingRun::PingRun(PingRunView& view, NetworkServices& net, UiServices& ui, EchoStore& echoes)
    : view_(view),
      net_(net),
      ui_(ui),
      engine_(net, ui),
      tmrDelay_(ui.CreateTimer()),
      sweep_(net, ui, engine_, {[this] { return ReadSlotRequest(); }, [this] { Drive(); }}),
      capture_(ui),
      recorder_(ui, echoes, [this](const std::string& message) { WriteLog(message); }) {
    tmrDelay_->OnTimer([this] { tmrDelay_Timer(); });
}

// The program may end with echoes waiting: closing their handles ends the waits.
PingRun::~PingRun() {
    CloseEchoHandle();
    sweep_.Abandon();
}

void PingRun::SetParallel(bool parallel) { parallel_ = parallel; }

void PingRun::SetTimestamps(bool timestamps) { timestamps_ = timestamps; }

void PingRun::SetAlerts(bool alert, int alertAfter) { recorder_.SetAlerts(alert, alertAfter); }

bool PingRun::Capturing() const { return capture_.IsOpen(); }

const std::string& PingRun::LogText() const { return logRes_.Text(); }

// --- Start and stop ---

void PingRun::StartPinging() {
    if (!CheckTarget() || !CheckParameters()) return;
    running_ = true;
    view_.ShowRunState(true);
    ClearStatistic();
    view_.SetCaption(CaptionWith(TargetCaption()));
    adviceShown_ = false;
    // Before the start-up: a Stop after a failed one must not repeat the
    // previous run's summary as if this run had made it.
    passCount_ = 0;
    if (!engine_.SocketsStartup()) {
        ui_.MsgBox(mdbPing::kSocketsNotResponding, vbOKOnly);
        return;
    }
    statistics_.Reset();
    recorder_.BeginDataSet();
    tmrDelay_->SetInterval(0);
    tmrDelay_->SetEnabled(true);
    tmrDelay_Timer();
}

bool PingRun::CheckTarget() {
    if (view_.TargetMode() == kHostNameMode) {
        if (!TrimBlanks(view_.HostNameText()).empty()) return true;
        view_.SetFocusTo(Control::HostName);
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (TrimBlanks(view_.StartOctetText(i)).empty() || TrimBlanks(view_.StopOctetText(i)).empty()) return false;
    }
    // Refused, not held at 255: 999 would ping x.x.x.255, a broadcast address.
    for (int i = 0; i < 4; ++i) {
        if (WholeValue(view_.StartOctetText(i)) > 255) return RefuseOctet("Start", StartOctet(i));
    }
    for (int i = 0; i < 4; ++i) {
        if (WholeValue(view_.StopOctetText(i)) > 255) return RefuseOctet("Stop", StopOctet(i));
    }
    for (int i = 0; i < 4; ++i) {
        if (NumericValue(view_.StartOctetText(i)) > NumericValue(view_.StopOctetText(i))) {
            view_.SetFocusTo(Control::StopIp3);
            return false;
        }
    }
    return true;
}

bool PingRun::RefuseOctet(const char* address, Control box) {
    ui_.MsgBox(std::string("Each part of the ") + address + " IP should be 255 or less", vbOKOnly);
    view_.SetFocusTo(box);
    return false;
}

bool PingRun::CheckParameters() {
    const auto refusal = ParameterRefusal(view_);
    if (!refusal) return true;
    ui_.MsgBox(refusal->prompt, vbOKOnly);
    view_.SetFocusTo(refusal->focus);
    return false;
}

std::string PingRun::TargetCaption() const {
    if (view_.TargetMode() == kHostNameMode) return view_.HostNameText();
    return view_.StartOctetText(0) + "." + view_.StartOctetText(1) + "." + view_.StartOctetText(2) + "." +
           view_.StartOctetText(3);
}

void PingRun::StopPinging() {
    tmrDelay_->SetEnabled(false);
    if (phase_ != Phase::Idle) AbandonPass();
    StopProcess();
}

// The answer in flight is dropped and an echo's wait cancelled; the pass
// counts when it wrote a line.
void PingRun::AbandonPass() {
    ++awaitTicket_;
    CloseEchoHandle();
    sweep_.Abandon();
    if (passWroteLine_) {
        currentIp_ = lastTarget_;
        ++passCount_;
    }
    phase_ = Phase::Idle;
    recorder_.DeliverAlerts();
}

void PingRun::StopProcess() {
    running_ = false;
    if (passCount_ > 1) WriteLog(statistics_.Summary(currentIp_));
    view_.ShowRunState(false);
    view_.SetCaption(kAppName);
    engine_.SocketsCleanup();
    if (tmrDelay_->Enabled()) tmrDelay_->SetEnabled(false);
}

// --- The pass as a state machine ---

void PingRun::tmrDelay_Timer() {
    // A tick can still come from a message box's event loop while the run
    // ends. One that falls due inside a pass is dropped: the pass's last slot
    // writes the interval, so the next pass comes Delay after its last line.
    if (!running_ || phase_ != Phase::Idle) return;
    phase_ = Phase::BeginPass;
    Drive();
}

void PingRun::Drive() {
    // Re-entered by an answer that came at once: the loop below takes it.
    if (driving_) return;
    driving_ = true;
    while (running_) {
        const Phase step = phase_;
        try {
            if (!Step()) break;
        } catch (...) {
            RecoverFromFailedStep(step);
        }
    }
    // Stopped from inside a step (a message box's event loop runs the Stop command).
    if (!running_) phase_ = Phase::Idle;
    driving_ = false;
}

// A step that throws (a worker that cannot start, say) must not wedge the
// run: a slot gets its line as a general failure and the pass goes on;
// anywhere else the run ends.
void PingRun::RecoverFromFailedStep(Phase failed) {
    ++awaitTicket_;
    CloseEchoHandle();
    sweep_.Abandon();
    if (failed == Phase::BeginSlot || failed == Phase::TakeEcho) {
        slot_.echoed = false;
        AnswerWithoutEcho(IP_GENERAL_FAILURE);
        return;
    }
    tmrDelay_->SetEnabled(false);
    phase_ = Phase::Idle;
    StopProcess();
}

bool PingRun::Step() {
    switch (phase_) {
        case Phase::BeginPass: BeginPass(); return true;
        case Phase::TakeName: TakeResolvedName(); return true;
        case Phase::BeginSlot: BeginSlot(); return true;
        case Phase::TakeEcho: TakeEchoAnswer(); return true;
        case Phase::FinishSlot: FinishSlot(); return true;
        case Phase::Sweep: return WriteSweptLines();
        case Phase::EndPass: EndPass(); return true;
        case Phase::Idle:
        case Phase::AwaitName:
        case Phase::AwaitEcho: return false;
    }
    return false;
}

void PingRun::Await(Phase waiting, std::function<void()> work, Phase answered) {
    phase_ = waiting;
    ui_.RunInBackground(std::move(work), [this, alive = std::weak_ptr<AliveToken>(alive_),
                                          ticket = ++awaitTicket_, answered] {
        // An abandoned wait's answer is dropped.
        if (alive.expired() || ticket != awaitTicket_) return;
        phase_ = answered;
        Drive();
    });
}

void PingRun::BeginPass() {
    lastTarget_.clear();
    passWroteLine_ = false;
    sweepPass_ = parallel_;
    passByName_ = view_.TargetMode() == kHostNameMode;
    passHostName_ = passByName_ ? std::string(TrimBlanks(view_.HostNameText())) : std::string();
    if (passByName_) {
        ResolveHostName();
        return;
    }
    passOk_ = InitIpList();
    BeginSlots();
}

// A pass without an address has its one slot as in sequential mode, and so
// has a pass to an IPv6 address: the sweep's echoes are IPv4.
void PingRun::BeginSlots() {
    if (passOk_ && sweepPass_ && !mdbPing::IsIpv6Address(currentIp_)) return BeginSweep();
    phase_ = Phase::BeginSlot;
}

// The look-up blocks until the resolver answers, so it waits off the thread
// too. It cannot be cancelled: a Stop only drops its answer.
void PingRun::ResolveHostName() {
    resolvedName_ = std::make_shared<std::string>();
    Await(
        Phase::AwaitName,
        [engine = engine_, name = passHostName_, answer = resolvedName_] {
            *answer = engine.GetIpFromHostName(name);
        },
        Phase::TakeName);
}

void PingRun::TakeResolvedName() {
    passOk_ = InitIpList();
    BeginSlots();
}

bool PingRun::InitIpList() {
    if (!passByName_) {
        Octets startIp;
        Octets stopIp;
        for (int i = 0; i < 4; ++i) startIp[i] = OctetValue(view_.StartOctetText(i));
        for (int i = 0; i < 4; ++i) stopIp[i] = OctetValue(view_.StopOctetText(i));
        walk_.Load(startIp, stopIp);
        currentIp_ = walk_.CurrentText();
        return true;
    }
    currentIp_ = *resolvedName_;
    // An IPv6 address has no octets: the walk holds one stand-in slot, and
    // the slot's line and the summary name the text it resolved to.
    if (mdbPing::IsIpv6Address(currentIp_)) {
        walk_.Load({}, {});
        return true;
    }
    std::array<std::string, 4> parts;
    if (!mdbPing::SplitAddress(currentIp_, parts)) return false;
    Octets address;
    for (int i = 0; i < 4; ++i) address[i] = OctetValue(parts[i]);
    walk_.Load(address, address);
    return true;
}

void PingRun::BeginSlot() {
    if (passOk_ && !walk_.CheckForMoreIp()) {
        phase_ = Phase::EndPass;
        return;
    }
    replyRecord_.reply.Address = 0;
    const SlotRequest request = ReadSlotRequest();
    pingNum_ = request.pingNum;
    slot_ = Slot{};
    slot_.beganUs = ui_.UnixTimeMicroseconds();
    slot_.payloadByte = request.payloadByte;
    if (!passOk_) return AnswerWithoutEcho(kNameNotResolved);
    if (const auto status = UncarriedRequestStatus(request.dataSize, request.ttl, request.timeoutMs)) {
        return AnswerWithoutEcho(*status);
    }
    SendEcho(request);
}

SlotRequest PingRun::ReadSlotRequest() {
    SlotRequest request;
    request.pingNum = NumericValue(view_.ParameterText(Control::Num));
    request.payloadByte = PayloadByte(ui_.Rnd());
    request.dataSize = WholeValue(view_.ParameterText(Control::DataSize));
    request.ttl = WholeValue(view_.ParameterText(Control::TTL));
    request.timeoutMs = WholeValue(view_.ParameterText(Control::Timeout));
    return request;
}

void PingRun::AnswerWithoutEcho(std::int32_t status) {
    slot_.status = status;
    phase_ = Phase::FinishSlot;
}

// The handle stays here, so Stop can close it.
void PingRun::SendEcho(const SlotRequest& request) {
    echoHandle_ = OpenEchoHandle(net_, currentIp_);
    echoJob_ = MakeEchoJob(currentIp_, request, replyRecord_);
    slot_.dataSize = echoJob_->dataSize;
    Await(
        Phase::AwaitEcho,
        [engine = engine_, job = echoJob_, handle = *echoHandle_] {
            RunEchoJob(engine, handle, *job);
            job->answered = true;
        },
        Phase::TakeEcho);
}

void PingRun::TakeEchoAnswer() {
    CloseEchoHandle();
    const auto job = std::move(echoJob_);
    if (job->answered) replyRecord_ = job->replyRecord;
    TakeJobAnswer(slot_, *job);
    phase_ = Phase::FinishSlot;
}

void PingRun::FinishSlot() {
    WriteSlotLine(!passOk_ || walk_.CheckLastIp());
    if (!passOk_) {
        phase_ = Phase::EndPass;
        return;
    }
    walk_.NextIp();
    currentIp_ = walk_.CurrentText();
    phase_ = Phase::BeginSlot;
}

// The line of slot_ for currentIp_, its figures, and the interval to the next pass.
void PingRun::WriteSlotLine(bool lastOfPass) {
    statistics_.CountSent();
    const bool dataIntact =
        slot_.status == IP_SUCCESS && EchoedDataIntact(replyRecord_, slot_.payloadByte, slot_.dataSize);
    std::string line = ResultLine(slot_.status, replyRecord_.reply, currentIp_, dataIntact, slot_.ipv6Replier);
    if (slot_.status == IP_SUCCESS) statistics_.AddReply(replyRecord_.reply.RoundTripTime);
    line += PassNumberText(view_.LoopChecked(), pingNum_, passCount_);
    WriteLog(timestamps_ ? LineStamp(slot_.beganUs) + line : line);
    recorder_.Record(currentIp_, passHostName_, passCount_, slot_, replyRecord_.reply, dataIntact);
    passWroteLine_ = true;
    if (slot_.echoed && slot_.status != IP_SUCCESS) ShowPermissionAdviceOnce();

    if (view_.LoopChecked() || double(passCount_ + 1) < pingNum_ || !lastOfPass) {
        tmrDelay_->SetInterval(DelayInterval(WholeValue(view_.ParameterText(Control::Delay))));
    }
    lastTarget_ = currentIp_;
    GetStatistic();
}

// --- The parallel pass ---

void PingRun::BeginSweep() {
    phase_ = Phase::Sweep;
    sweep_.Begin(walk_, replyRecord_);
}

// Writes the lines of the answered slots at the head of the range; true when
// the pass has written its last line.
bool PingRun::WriteSweptLines() {
    const bool passDone = sweep_.WriteAnswered([this](const SweepSlot& done) {
        currentIp_ = done.target;
        pingNum_ = done.pingNum;
        slot_ = done.slot;
        if (done.job) {
            replyRecord_ = done.job->replyRecord;
        } else {
            replyRecord_.reply.Address = 0;
        }
        WriteSlotLine(done.lastOfPass);
        // Stopped while the advice was shown.
        return phase_ == Phase::Sweep;
    });
    if (passDone) phase_ = Phase::EndPass;
    return passDone;
}

void PingRun::ShowPermissionAdviceOnce() {
    if (adviceShown_) return;
    const std::string advice = net_.IcmpPermissionAdvice();
    if (advice.empty()) return;
    adviceShown_ = true;
    ui_.MsgBox(advice, vbExclamation);
}

void PingRun::EndPass() {
    recorder_.DeliverAlerts();
    currentIp_ = lastTarget_;
    ++passCount_;
    phase_ = Phase::Idle;
    if (!view_.LoopChecked() && double(passCount_) >= pingNum_) StopProcess();
}

void PingRun::CloseEchoHandle() {
    if (!echoHandle_) return;
    net_.IcmpCloseHandle(*echoHandle_);
    echoHandle_.reset();
}

// --- Figures, log and capture ---

void PingRun::ClearStatistic() { ShowPanels(Statistics::ZeroTexts()); }

void PingRun::GetStatistic() { ShowPanels(statistics_.CurrentTexts()); }

void PingRun::ShowPanels(const PanelTexts& texts) {
    for (int panel = 1; panel <= 6; ++panel) view_.SetPanelText(panel, texts[std::size_t(panel - 1)]);
}

void PingRun::ClearLog() {
    logRes_.Clear();
    view_.ShowLogText(logRes_.Text());
    ClearStatistic();
}

void PingRun::WriteLog(const std::string& text) {
    const std::string line = text + "\r\n";
    if (logRes_.Append(text)) {
        view_.ShowLogText(logRes_.Text());
    } else {
        view_.AppendLogText(line);
    }
    if (capture_.IsOpen()) capture_.Write(line);
}

void PingRun::OpenCaptureFile() {
    const auto fileTitle = capture_.Open();
    if (!fileTitle) return;
    view_.SetCaption(CaptionWith(*fileTitle));
    view_.ShowCaptureState(true);
}

void PingRun::CloseCaptureFile() {
    capture_.Close();
    view_.SetCaption(kAppName);
    view_.ShowCaptureState(false);
}

}  // namespace velmora
