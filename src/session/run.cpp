#include "session/run.h"

#include <atomic>

#include "data/call_stack.h"
#include "data/listeners.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/process.h"
#include "session/transport.h"
#include "status/status_worker.h"

namespace rdstmc::session {
namespace {
// Long enough for a worker that is inside a slow listener callback. Nothing
// waits for a worker when the library is unloaded or the process exits: the
// module stays mapped once a worker has run, and on Windows a worker cannot
// end while the unloading thread holds the loader lock.
constexpr unsigned kJoinTimeoutMs = 2000;
constexpr unsigned kFeedCallPollMs = 1;
// At exit, workers of a run that has ended are reaped if they end this soon:
// their last steps after the stop. A run still going is not waited for.
constexpr unsigned kExitReapMs = 200;

// The receivers whose feed calls this thread is inside.
struct FeedCallTag;
using FeedCalls = CallStack<FeedCallTag>;

int OwnFeedCalls(const ReceiverState& s) { return FeedCalls::Count(&s); }

bool FeedCallsEnded(ReceiverState& s) {
    if (InsideFeedCall(s)) return false;
    const uint64_t giveUpAt = platform::MonotonicMs() + kJoinTimeoutMs;
    while (s.feedCalls.load() > 0) {
        if (platform::MonotonicMs() >= giveUpAt) return false;
        platform::SleepMs(kFeedCallPollMs);
    }
    return true;
}

// A copy of the process (fork) starts with every receiver closed and not
// logging. It has none of the workers, and what it inherits is shared with
// the parent (the open devices and their locks, the wake-ups) or was held by
// the parent's other threads (the locks, calls in progress). Left alone, a
// child that merely lives would keep a device locked, and one that closes
// would stop the parent's reader. The locks are taken around the copy, the
// registry's first, then each receiver's in the order the library always
// takes them, so none is copied while another thread holds it.
void TakeLocks(ReceiverState& s) {
    s.lifecycleLock.Acquire();
    s.logLock.Acquire();
    s.writeLock.Acquire();
    s.portLock.Acquire();
    s.dataLock.Acquire();
}

void ReleaseLocks(ReceiverState& s) {
    s.dataLock.Release();
    s.portLock.Release();
    s.writeLock.Release();
    s.logLock.Release();
    s.lifecycleLock.Release();
}

void TakeLocksBeforeCopy() {
    LockRegistry();
    ForEachReceiverLocked(TakeLocks);
}

void ReleaseLocksAfterCopy() {
    ForEachReceiverLocked(ReleaseLocks);
    UnlockRegistry();
}

void StartClosedInChild(ReceiverState& s) {
    s.readerRunning.store(false);
    s.replayRunning.store(false);
    s.portOpen.store(false);
    s.feedOpen.store(false);
    // The log is the parent's recording of its own receiver: a run the
    // child starts would otherwise write its sentences in among them.
    s.loggingOn.store(false);
    if (s.transport) {
        s.transport->Abandon();
        s.transport.reset();
    }
    s.feedCalls.store(OwnFeedCalls(s));
    platform::File replay;
    replay.handle = s.replayFile.exchange(-1);
    platform::FileClose(replay);
    s.dataWorker.Abandon();
    s.statusWorker.Abandon();
    s.stopSignal.Renew();
    s.statusStartGate.Renew();
    s.rdsActivity.Renew();
    s.tmcActivity.Renew();
    s.published.status = TmcStatusStopped;
    ForgetCallsOfOtherThreads(s.slots);
}

void StartAllClosedInChild() {
    ForEachReceiverLocked(StartClosedInChild);
    ReleaseLocksAfterCopy();
}

// Workers are reaped when the next run starts; the last run's would stay
// unreaped at exit, which thread checkers report as a leak in every program.
// No receiver's lock is taken: exit may come from a callback made under one.
void ReapEndedRun(ReceiverState& s) {
    if (s.portOpen.load() || s.replayRunning.load() || s.feedOpen.load()) return;
    s.dataWorker.Join(kExitReapMs);
    s.statusWorker.Join(kExitReapMs);
}

void ReapEndedRunsAtExit() {
    if (platform::Thread::CurrentIsWorker()) return;
    ForEachReceiver(ReapEndedRun);
}

void HandleProcessCopies() {
    static const bool registered =
        (platform::OnProcessCopy(TakeLocksBeforeCopy, ReleaseLocksAfterCopy, StartAllClosedInChild),
         platform::OnProcessExit(ReapEndedRunsAtExit), true);
    (void)registered;
}

}  // namespace

TmcError MayStartRun(ReceiverState& s) {
    HandleProcessCopies();
    if (s.portOpen.load() || s.replayRunning.load()) return TmcErrorAlreadyOpen;
    if (s.dataWorker.IsCurrent() || s.statusWorker.IsCurrent() || !FeedCallsEnded(s)) return TmcErrorBusy;
    s.stopSignal.Set();
    if (!s.dataWorker.Join(kJoinTimeoutMs) || !s.statusWorker.Join(kJoinTimeoutMs)) return TmcErrorBusy;
    s.stopSignal.Reset();
    s.statusStartGate.Reset();
    // Activity of an earlier run is not this run's.
    s.rdsActivity.Reset();
    s.tmcActivity.Reset();
    return TmcErrorNone;
}

TmcError ErrorOf(platform::OpenFailure failure) {
    using platform::OpenFailure;
    switch (failure) {
        case OpenFailure::kNone: return TmcErrorNone;
        case OpenFailure::kNotFound: return TmcErrorNotFound;
        case OpenFailure::kPermissionDenied: return TmcErrorPermissionDenied;
        case OpenFailure::kInUse: return TmcErrorInUse;
        case OpenFailure::kNotADevice: return TmcErrorNotADevice;
        case OpenFailure::kBadRate: return TmcErrorBadRate;
        case OpenFailure::kOther: break;
    }
    return TmcErrorOther;
}

bool Outcome(ReceiverState& s, TmcError error) {
    s.lastError.store(error);
    return error == TmcErrorNone;
}

bool StartStatusWorker(ReceiverState& s) { return s.statusWorker.Start(StatusWorker, &s, "rdstmc-status"); }

void OpenStatusGate(ReceiverState& s) { s.statusStartGate.Set(); }

void SignalRunEnded(ReceiverState& s) { s.stopSignal.Set(); }

void EnterFeedCall(ReceiverState& s) {
    FeedCalls::Enter(&s);
    s.feedCalls.fetch_add(1);
}

void LeaveFeedCall(ReceiverState& s) {
    s.feedCalls.fetch_sub(1);
    FeedCalls::Leave();
}

bool InsideFeedCall(const ReceiverState& s) { return OwnFeedCalls(s) > 0; }

}  // namespace rdstmc::session
