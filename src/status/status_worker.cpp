#include "status/status_worker.h"

#include "data/receiver_state.h"
#include "platform/named_event.h"
#include "status/reception_rule.h"

namespace rdstmc {

const char kRdsEventName[] = "TmcStatusRdsNotifyEvent";
const char kTmcEventName[] = "TmcStatusTmcNotifyEvent";

namespace {

constexpr unsigned kTickMs = 1000;
// Bounds the gate wait; TmcOpen and TmcStartSimulation always open it.
constexpr unsigned kGateTimeoutMs = 5000;
// A wake-up seen while the run goes on is stale; it is cleared and the loop
// pauses this long rather than spin on it.
constexpr unsigned kStaleWakeupPauseMs = 100;

bool RunActive(const ReceiverState& s) { return s.readerRunning.load() || s.replayRunning.load(); }

}  // namespace

void OpenActivityEvents() {
    ReceiverState& s = State();
    // Only status workers open the events, one at a time, so no two opens race.
    if (s.rdsEvent.load() == nullptr) s.rdsEvent.store(platform::NamedEventOpen(kRdsEventName));
    if (s.tmcEvent.load() == nullptr) s.tmcEvent.store(platform::NamedEventOpen(kTmcEventName));
}

platform::EventWaitResult WaitOneTick(platform::NamedEvent* rds, platform::NamedEvent* tmc,
                                      const platform::Wakeup& stop) {
    platform::EventWaitResult r = platform::EventWaitResult::Failed;
    if (rds != nullptr && tmc != nullptr) r = platform::NamedEventWaitEither(rds, tmc, stop, kTickMs);
    if (r != platform::EventWaitResult::Failed) return r;
    // Without working events every tick is quiet, but it still lasts its second.
    return stop.Wait(kTickMs) ? platform::EventWaitResult::Woken : platform::EventWaitResult::TimedOut;
}

void StatusWorker(void*) {
    ReceiverState& s = State();
    s.statusStartGate.Wait(kGateTimeoutMs);
    OpenActivityEvents();
    platform::NamedEvent* const rds = s.rdsEvent.load();
    platform::NamedEvent* const tmc = s.tmcEvent.load();

    ReceptionRule rule;
    while (RunActive(s)) {
        Activity activity = Activity::Quiet;
        switch (WaitOneTick(rds, tmc, s.stopSignal)) {
            case platform::EventWaitResult::First: activity = Activity::Rds; break;
            case platform::EventWaitResult::Second: activity = Activity::Tmc; break;
            case platform::EventWaitResult::Woken:
                // The run is ending; the loop test sees it.
                if (RunActive(s)) {
                    s.stopSignal.Reset();
                    s.stopSignal.Wait(kStaleWakeupPauseMs);
                }
                continue;
            default: break;
        }
        if (const std::optional<TmcStatus> status = rule.Next(activity)) SetStatus(*status);
    }
    SetStatus(TmcStatusStopped);
}

}  // namespace rdstmc
