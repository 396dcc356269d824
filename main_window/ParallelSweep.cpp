#include "main_window/ParallelSweep.h"

#include <algorithm>

#include "main_window/RunFields.h"

namespace velmora {

namespace {

constexpr int kSweepPaceMs = 1;
// A tick that comes late sends the slots that fell due meanwhile, so the
// pass keeps one send a millisecond on average; a burst stays this short.
constexpr int kMostSendsATick = 4;
// Echoes share one socket, so the bound is the memory a sweep may hold and
// the answers one turn of the event loop may have to take, not descriptors.
constexpr int kMostEchoesInFlight = 1024;

// At one send a tick, a Timeout's worth of ticks after an echo went its
// place is free again (answered or timed out): more never wait at once.
int MostInFlightFor(double timeoutMs) {
    return int(std::clamp(timeoutMs / kSweepPaceMs, 1.0, double(kMostEchoesInFlight)));
}

}  // namespace

ParallelSweep::ParallelSweep(NetworkServices& net, UiServices& ui, const mdbPing& engine, Pass pass)
    : net_(net), ui_(ui), engine_(engine), pass_(std::move(pass)), tmrPace_(ui.CreateTimer()) {
    tmrPace_->OnTimer([this] { tmrPace_Timer(); });
}

ParallelSweep::~ParallelSweep() { Abandon(); }

void ParallelSweep::Begin(RangeWalk& walk, const ReplyRecord& lastRecord) {
    ++ticket_;
    walk_ = &walk;
    lastRecord_ = lastRecord;
    slots_.clear();
    inFlight_ = 0;
    allSent_ = false;
    active_ = true;
    paceStart_ = std::chrono::steady_clock::now();
    sent_ = 0;
    CloseSweepHandle();
    sweepHandle_ = net_.IcmpCreateSweepFile();
    tmrPace_->SetInterval(kSweepPaceMs);
    SendSlot();
}

void ParallelSweep::tmrPace_Timer() {
    if (!active_) return tmrPace_->SetEnabled(false);
    for (int due = SlotsDue(); due > 1 && active_ && MaySendAnother(); --due) SendNextSlot();
    SendSlot();
    pass_.answerArrived();
}

// The k-th send of a pass never goes before k pace intervals have passed since it began.
int ParallelSweep::SlotsDue() const {
    const auto elapsed = std::chrono::steady_clock::now() - paceStart_;
    const auto intervals = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / kSweepPaceMs;
    return int(std::clamp<long long>(intervals + 1 - sent_, 1, kMostSendsATick));
}

bool ParallelSweep::MaySendAnother() const { return !allSent_ && inFlight_ < mostInFlight_; }

// Sends the next slot of the range when one may go; the pacing timer runs
// only while another may follow.
void ParallelSweep::SendSlot() {
    if (MaySendAnother()) SendNextSlot();
    tmrPace_->SetEnabled(active_ && MaySendAnother());
}

void ParallelSweep::SendNextSlot() {
    allSent_ = !walk_->CheckForMoreIp();
    if (allSent_) return;
    ++sent_;
    SweepSlot next;
    next.slot.beganUs = ui_.UnixTimeMicroseconds();
    next.target = walk_->CurrentText();
    next.lastOfPass = walk_->CheckLastIp();
    const SlotRequest request = pass_.readRequest();
    next.pingNum = request.pingNum;
    mostInFlight_ = MostInFlightFor(request.timeoutMs);
    next.slot.payloadByte = request.payloadByte;
    const auto status = UncarriedRequestStatus(request.dataSize, request.ttl, request.timeoutMs);
    next.answered = status.has_value();
    next.slot.status = status.value_or(IP_SUCCESS);
    if (!next.answered) {
        next.job = MakeEchoJob(next.target, request, lastRecord_);
        next.slot.dataSize = next.job->dataSize;
        ++inFlight_;
    }
    allSent_ = next.lastOfPass;
    walk_->NextIp();
    const auto job = next.job;
    slots_.push_back(std::move(next));
    // An answer that comes at once may write lines and drop the slot: hold a copy.
    if (job) SendEcho(job);
}

// The answer comes on a thread of the platform's and is handed to this one.
void ParallelSweep::SendEcho(const std::shared_ptr<EchoJob>& job) {
    auto answered = [&ui = ui_, this, alive = std::weak_ptr<AliveToken>(alive_), ticket = ticket_,
                     job](std::int32_t result) {
        job->result = result;
        job->answered = true;
        ui.RunOnUiThread([this, alive, ticket, job] {
            if (alive.expired() || ticket != ticket_) return;
            TakeAnswer(job);
        });
    };
    try {
        engine_.PingAsync(*sweepHandle_, job->target, job->replyRecord, job->requestOptions, job->payloadByte,
                          job->dataSize, job->timeoutMs, std::move(answered));
    } catch (...) {
        // As a step that throws in sequential mode: the slot is a general failure.
        TakeAnswer(job);
    }
}

void ParallelSweep::TakeAnswer(const std::shared_ptr<EchoJob>& job) {
    const auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const SweepSlot& s) { return s.job == job; });
    if (slot == slots_.end() || slot->answered) return;
    slot->answered = true;
    --inFlight_;
    TakeJobAnswer(slot->slot, *job);
    if (!allSent_ && !tmrPace_->Enabled()) tmrPace_->SetEnabled(true);
    pass_.answerArrived();
}

bool ParallelSweep::WriteAnswered(const std::function<bool(const SweepSlot&)>& write) {
    while (!slots_.empty() && slots_.front().answered) {
        // Off the queue before it is written: a Stop while its line is written clears the queue.
        const SweepSlot done = std::move(slots_.front());
        slots_.pop_front();
        if (!write(done)) return false;
    }
    if (!allSent_ || !slots_.empty()) return false;
    tmrPace_->SetEnabled(false);
    active_ = false;
    CloseSweepHandle();
    return true;
}

void ParallelSweep::Abandon() {
    ++ticket_;
    active_ = false;
    tmrPace_->SetEnabled(false);
    CloseSweepHandle();
    slots_.clear();
    inFlight_ = 0;
}

void ParallelSweep::CloseSweepHandle() {
    if (sweepHandle_) net_.IcmpCloseHandle(*sweepHandle_);
    sweepHandle_.reset();
}

}  // namespace velmora
