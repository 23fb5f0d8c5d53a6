// The status worker: turns the activity events into the reception status.
#pragma once

#include "platform/named_event.h"

namespace rdstmc {

// Names of the two system-wide activity events other programs can wait on.
extern const char kRdsEventName[];
extern const char kTmcEventName[];

// Thread body. Runs while a port is open or a replay runs, after
// statusStartGate is set; reports TmcStatusStopped last.
void StatusWorker(void*);

// Opens the activity events once for the process; later calls reuse them.
void OpenActivityEvents();

// Waits one status tick (a second) for either event or `stop`. When the
// events are missing or the wait fails, the tick still lasts its second and
// counts as quiet (TimedOut), so the worker never spins.
platform::EventWaitResult WaitOneTick(platform::NamedEvent* rds, platform::NamedEvent* tmc,
                                      const platform::Wakeup& stop);

}  // namespace rdstmc
