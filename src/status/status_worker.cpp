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

std::atomic<platform::NamedEvent*> g_rdsEvent{nullptr};
std::atomic<platform::NamedEvent*> g_tmcEvent{nullptr};

// Opens the named event once, whichever receivers' status workers race to it.
void OpenOnce(std::atomic<platform::NamedEvent*>& event, const char* name) {
    if (event.load() != nullptr) return;
    platform::NamedEvent* opened = platform::NamedEventOpen(name);
    platform::NamedEvent* none = nullptr;
    if (!event.compare_exchange_strong(none, opened)) platform::NamedEventClose(opened);
}

}  // namespace

void OpenActivityEvents() {
    OpenOnce(g_rdsEvent, kRdsEventName);
    OpenOnce(g_tmcEvent, kTmcEventName);
}

platform::NamedEvent* RdsActivityEvent() { return g_rdsEvent.load(); }
platform::NamedEvent* TmcActivityEvent() { return g_tmcEvent.load(); }

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

void StatusWorker(void* arg) {
    ReceiverState& s = *static_cast<ReceiverState*>(arg);
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
        if (const std::optional<TmcStatus> status = rule.Next(*activity)) SetStatus(s, *status);
    }
    SetStatus(s, TmcStatusStopped);
}

}  // namespace rdstmc
