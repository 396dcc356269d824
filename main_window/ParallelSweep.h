#pragma once
// The parallel pass over a range: a pacing timer sends its slots in range
// order, one a millisecond tick (a late tick catches up), all through the one sweep handle the pass opens. As
// many echoes wait at once as the Timeout lets come and go at that pace, up
// to kMostEchoesInFlight. Answers come back on the user-interface thread in
// any order; the pass that owns the sweep writes the answered slots at the
// head of the range, so the lines read as in sequential mode.
//
// Each echo's answer carries the sweep's ticket: one that arrives after the
// sweep was abandoned (Stop, a new pass) is dropped.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/mdbPing.h"
#include "main_window/RangeWalk.h"
#include "main_window/SlotEcho.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

// A slot of a sweep, from its send to its line.
struct SweepSlot {
    std::string target;
    double pingNum = 0;
    bool lastOfPass = false;
    Slot slot;
    std::shared_ptr<EchoJob> job;  // the record the platform writes into
    bool answered = false;
};

class ParallelSweep {
public:
    // What the sweep asks of its pass: the fields as each slot is sent, and
    // a call when an answer came in, so the pass writes what it now may.
    struct Pass {
        std::function<SlotRequest()> readRequest;
        std::function<void()> answerArrived;
    };

    ParallelSweep(NetworkServices& net, UiServices& ui, const mdbPing& engine, Pass pass);
    // The program may end with echoes waiting: closing the sweep's handle ends the waits.
    ~ParallelSweep();
    ParallelSweep(const ParallelSweep&) = delete;
    ParallelSweep& operator=(const ParallelSweep&) = delete;

    // Sweeps what is left of the walk; each echo's record starts as lastRecord.
    void Begin(RangeWalk& walk, const ReplyRecord& lastRecord);
    // Hands the answered slots at the head of the range to write, in order,
    // while it returns true. True when the pass has written its last line.
    bool WriteAnswered(const std::function<bool(const SweepSlot&)>& write);
    // Closes the sweep's handle, which abandons every echo in flight; their answers are dropped.
    void Abandon();

private:
    void tmrPace_Timer();
    bool MaySendAnother() const;
    void SendSlot();
    int SlotsDue() const;
    void SendNextSlot();
    void SendEcho(const std::shared_ptr<EchoJob>& job);
    void CloseSweepHandle();
    void TakeAnswer(const std::shared_ptr<EchoJob>& job);

    NetworkServices& net_;
    UiServices& ui_;
    const mdbPing& engine_;
    Pass pass_;
    std::unique_ptr<Timer> tmrPace_;  // one slot a tick
    RangeWalk* walk_ = nullptr;
    ReplyRecord lastRecord_;
    std::deque<SweepSlot> slots_;  // sent and not yet written, in range order
    std::optional<IcmpHandle> sweepHandle_;  // open while the pass sends or waits
    int inFlight_ = 0;
    std::chrono::steady_clock::time_point paceStart_;
    long long sent_ = 0;  // slots of the pass sent so far
    int mostInFlight_ = 1;  // as the last slot's Timeout allows
    bool allSent_ = false;
    bool active_ = false;
    std::uint64_t ticket_ = 0;  // the answers this sweep takes; a new ticket drops the old one's

    struct AliveToken {};
    std::shared_ptr<AliveToken> alive_ = std::make_shared<AliveToken>();
};

}  // namespace velmora
