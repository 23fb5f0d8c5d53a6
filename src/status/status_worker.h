// The status worker: turns the activity events into the reception status.
#pragma once

namespace rdstmc {

// Names of the two system-wide activity events other programs can wait on.
extern const char kRdsEventName[];
extern const char kTmcEventName[];

// Thread body. Runs while a port is open or a replay runs, after
// statusStartGate is set; reports TmcStatusStopped last.
void StatusWorker(void*);

// Opens the activity events once for the process; later calls reuse them.
void OpenActivityEvents();

}  // namespace rdstmc
