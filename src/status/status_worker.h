// The status worker: turns the activity events into the reception status.
#pragma once

#include <optional>

#include "platform/wakeup.h"
#include "status/reception_rule.h"

namespace rdstmc {

// Names of the two system-wide activity events other programs can wait on.
extern const char kRdsEventName[];
extern const char kTmcEventName[];

// Thread body. Runs while a port is open or a replay runs, after
// statusStartGate is set; reports TmcStatusStopped last.
void StatusWorker(void*);

// Opens the activity events once for the process; later calls reuse them.
void OpenActivityEvents();

// Waits one status tick (a second) for this process's RDS or TMC activity,
// taking the one it reports (RDS first when both are set, leaving TMC for the
// next tick), or for `stop`, which gives no value. A tick without activity
// lasts its second even when the wait itself fails, so the worker never spins.
std::optional<Activity> WaitOneTick(platform::Wakeup& rds, platform::Wakeup& tmc, const platform::Wakeup& stop);

}  // namespace rdstmc
