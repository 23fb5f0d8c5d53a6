#include "status/status_worker.h"

#include <algorithm>

#include "data/receiver_state.h"
#include "platform/named_event.h"

namespace rdstmc {

const char kRdsEventName[] = "TmcStatusRdsNotifyEvent";
const char kTmcEventName[] = "TmcStatusTmcNotifyEvent";

namespace {

constexpr unsigned kTickMs = 1000;
constexpr int kTicksSaturated = 6;
constexpr int kTicksExpired = 5;
// Bounds the gate wait; TmcOpen and TmcStartSimulation always open it.
constexpr unsigned kGateTimeoutMs = 5000;

int Older(int ticks) { return std::min(ticks + 1, kTicksSaturated); }

bool RunActive(const ReceiverState& s) { return s.readerRunning.load() || s.replayRunning.load(); }

void Decide(int sinceRds, int sinceTmc) {
    if (sinceRds < kTicksExpired) {
        SetStatus(sinceTmc >= kTicksExpired ? TmcStatusRdsOnly : TmcStatusTmc);
    } else if (sinceTmc >= kTicksExpired) {
        SetStatus(TmcStatusNoRds);
    }
}

}  // namespace

void OpenActivityEvents() {
    ReceiverState& s = State();
    // Only status workers open the events, one at a time, so no two opens race.
    if (s.rdsEvent.load() == nullptr) s.rdsEvent.store(platform::NamedEventOpen(kRdsEventName));
    if (s.tmcEvent.load() == nullptr) s.tmcEvent.store(platform::NamedEventOpen(kTmcEventName));
}

void StatusWorker(void*) {
    ReceiverState& s = State();
    s.statusStartGate.Wait(kGateTimeoutMs);
    OpenActivityEvents();
    platform::NamedEvent* const rds = s.rdsEvent.load();
    platform::NamedEvent* const tmc = s.tmcEvent.load();

    int sinceRds = kTicksSaturated;
    int sinceTmc = kTicksSaturated;
    while (RunActive(s)) {
        platform::EventWaitResult r = platform::EventWaitResult::Failed;
        if (rds != nullptr && tmc != nullptr) r = platform::NamedEventWaitEither(rds, tmc, s.stopSignal, kTickMs);
        if (r == platform::EventWaitResult::Failed) {
            // Without events every tick is quiet; keep the one-second pace.
            r = s.stopSignal.Wait(kTickMs) ? platform::EventWaitResult::Woken : platform::EventWaitResult::TimedOut;
        }
        switch (r) {
            case platform::EventWaitResult::Second:  // TMC activity
                sinceRds = 0;
                sinceTmc = 0;
                SetStatus(TmcStatusTmc);
                break;
            case platform::EventWaitResult::First:  // RDS activity
                sinceRds = 0;
                sinceTmc = Older(sinceTmc);
                Decide(sinceRds, sinceTmc);
                break;
            case platform::EventWaitResult::Woken:
                // The run is ending; the loop test sees it. A stale wake-up
                // while still running is paced, never spun on.
                if (RunActive(s)) {
                    s.stopSignal.Reset();
                    s.stopSignal.Wait(100);
                }
                break;
            default:
                sinceRds = Older(sinceRds);
                sinceTmc = Older(sinceTmc);
                Decide(sinceRds, sinceTmc);
                break;
        }
    }
    SetStatus(TmcStatusStopped);
}

}  // namespace rdstmc
