// A run: the one source of received bytes at a time (a serial port, a
// recording, or the program's own feed), with the status worker beside it.
// Every run is started, refused and ended through here, so the same rules
// hold whatever the source.
#pragma once

#include "platform/open_failure.h"
#include "rdstmc_ext.h"

namespace rdstmc {
struct ReceiverState;
}  // namespace rdstmc

namespace rdstmc::session {

// Called with the receiver's lifecycleLock held before a run starts.
// TmcErrorAlreadyOpen when a run is going (a port or a feed open, a replay
// running); TmcErrorBusy when the previous run's workers or feed calls
// cannot be ended: one blocked in a listener for seconds, or the caller is
// itself one of them and cannot wait for itself. Otherwise TmcErrorNone: the
// previous run is wholly over and its signals are cleared.
TmcError MayStartRun(ReceiverState& s);

// The library's reason for a refusal the platform reported.
TmcError ErrorOf(platform::OpenFailure failure);

// Records `error` as the receiver's last; true when it is TmcErrorNone.
bool Outcome(ReceiverState& s, TmcError error);

// Starts the status worker for the new run; it begins when OpenStatusGate runs.
bool StartStatusWorker(ReceiverState& s);
void OpenStatusGate(ReceiverState& s);

// Tells every worker of the current run to stop now.
void SignalRunEnded(ReceiverState& s);

// Brackets a feed call that hands bytes to the decoders on the program's
// thread, so a new run starts only once none is in progress.
void EnterFeedCall(ReceiverState& s);
void LeaveFeedCall(ReceiverState& s);
// True on a thread inside a feed call of `s` (in one of its listener calls).
bool InsideFeedCall(const ReceiverState& s);

}  // namespace rdstmc::session
