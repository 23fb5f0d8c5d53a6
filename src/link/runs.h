// Starting and ending runs of the workers, shared by the port connection and
// the replay, so that no worker of an earlier run ever runs beside a new one.
#pragma once

namespace rdstmc {

// Called with lifecycleLock held before a new run starts. Waits, bounded, for
// the previous run's workers to end and reaps them, then clears the run
// signals. False when a worker is still running (a listener blocked for
// seconds) or the caller is itself a worker thread, which cannot wait for
// itself; the caller then starts nothing.
bool EndPreviousRun();

// Starts the status worker for the new run; it begins when OpenStatusGate runs.
bool StartStatusWorker();
void OpenStatusGate();

// Tells every worker of the current run to stop now.
void SignalRunEnded();

}  // namespace rdstmc
