// The status worker: turns the activity events into the reception status.
#pragma once

#include <optional>

#include "platform/named_event.h"
#include "platform/wakeup.h"
#include "status/reception_rule.h"

namespace rdstmc {

// Names of the two system-wide activity events other programs can wait on.
extern const char kRdsEventName[];
extern const char kTmcEventName[];

// Thread body for the receiver `arg` points to. Runs while a port is open
// or a replay runs, after statusStartGate is set; reports TmcStatusStopped last.
void StatusWorker(void* arg);

// Opens the activity events once for the process; later calls reuse them.
// They are the process's, shared by all its receivers, and kept until it
// ends, so a group handler never sets a closed one.
void OpenActivityEvents();
// The events once opened, null before.
platform::NamedEvent* RdsActivityEvent();
platform::NamedEvent* TmcActivityEvent();

// Waits one status tick (a second) for this process's RDS or TMC activity,
// taking the one it reports (RDS first when both are set, leaving TMC for the
// next tick), or for `stop`, which gives no value. A tick without activity
// lasts its second even when the wait itself fails, so the worker never spins.
std::optional<Activity> WaitOneTick(platform::Wakeup& rds, platform::Wakeup& tmc, const platform::Wakeup& stop);

}  // namespace rdstmc
