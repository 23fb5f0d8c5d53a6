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

std::optional<Activity> WaitOneTick(platform::Wakeup& rds, platform::Wakeup& tmc, const platform::Wakeup& stop) {
    // The stop first: it wins whatever else is set.
    const platform::Wakeup* const order[] = {&stop, &rds, &tmc};
    switch (platform::Wakeup::WaitAny(order, 3, kTickMs)) {
        case 0: return std::nullopt;
        case 1: rds.Reset(); return Activity::Rds;
        case 2: tmc.Reset(); return Activity::Tmc;
        default: return Activity::Quiet;
    }
}

void StatusWorker(void*) {
    ReceiverState& s = State();
    s.statusStartGate.Wait(kGateTimeoutMs);
    // Opened for the programs that wait on them; the status itself follows
    // this process's own activity, whatever other processes signal.
    OpenActivityEvents();

    ReceptionRule rule;
    while (RunActive(s)) {
        const std::optional<Activity> activity = WaitOneTick(s.rdsActivity, s.tmcActivity, s.stopSignal);
        if (!activity) {
            // The run is ending; the loop test sees it.
            if (RunActive(s)) {
                s.stopSignal.Reset();
                s.stopSignal.Wait(kStaleWakeupPauseMs);
            }
            continue;
        }
        if (const std::optional<TmcStatus> status = rule.Next(*activity)) SetStatus(*status);
    }
    SetStatus(TmcStatusStopped);
}

}  // namespace rdstmc
