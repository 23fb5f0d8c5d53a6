#include "session/run.h"

#include <atomic>

#include "data/listeners.h"
#include "data/receiver_state.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/clock.h"
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

// Feed calls in progress, and whether this thread is inside one.
std::atomic<int> g_feedCalls{0};
thread_local int t_feedDepth = 0;

bool FeedCallsEnded() {
    if (t_feedDepth > 0) return false;
    const uint64_t giveUpAt = platform::MonotonicMs() + kJoinTimeoutMs;
    while (g_feedCalls.load() > 0) {
        if (platform::MonotonicMs() >= giveUpAt) return false;
        platform::SleepMs(kFeedCallPollMs);
    }
    return true;
}

// A copy of the process (fork) starts closed and not logging. It has none of
// the workers, and what it inherits is shared with the parent (the open
// device and its lock, the wake-ups) or was held by the parent's other
// threads (the locks, calls in progress). Left alone, a child that merely lives would keep the device
// locked, and one that closes would stop the parent's reader. The locks are
// taken around the copy, in the order the library always takes them, so none
// is copied while another thread holds it.
void TakeLocksBeforeCopy() {
    ReceiverState& s = State();
    s.lifecycleLock.Acquire();
    s.logLock.Acquire();
    s.writeLock.Acquire();
    s.portLock.Acquire();
    s.dataLock.Acquire();
}

void ReleaseLocksAfterCopy() {
    ReceiverState& s = State();
    s.dataLock.Release();
    s.portLock.Release();
    s.writeLock.Release();
    s.logLock.Release();
    s.lifecycleLock.Release();
}

void StartClosedInChild() {
    ReceiverState& s = State();
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
    g_feedCalls.store(t_feedDepth);
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
    ForgetCallsOfOtherThreads();
    ReleaseLocksAfterCopy();
}

// Workers are reaped when the next run starts; the last run's would stay
// unreaped at exit, which thread checkers report as a leak in every program.
// No lock is taken: exit may come from a callback made under one.
void ReapEndedRunAtExit() {
    ReceiverState& s = State();
    if (s.portOpen.load() || s.replayRunning.load() || s.feedOpen.load() || platform::Thread::CurrentIsWorker()) {
        return;
    }
    s.dataWorker.Join(kExitReapMs);
    s.statusWorker.Join(kExitReapMs);
}

void HandleProcessCopies() {
    static const bool registered =
        (platform::OnProcessCopy(TakeLocksBeforeCopy, ReleaseLocksAfterCopy, StartClosedInChild),
         platform::OnProcessExit(ReapEndedRunAtExit), true);
    (void)registered;
}

}  // namespace

bool MayStartRun() {
    HandleProcessCopies();
    ReceiverState& s = State();
    if (s.portOpen.load() || s.replayRunning.load()) return false;
    if (s.dataWorker.IsCurrent() || s.statusWorker.IsCurrent() || !FeedCallsEnded()) return false;
    s.stopSignal.Set();
    if (!s.dataWorker.Join(kJoinTimeoutMs) || !s.statusWorker.Join(kJoinTimeoutMs)) return false;
    s.stopSignal.Reset();
    s.statusStartGate.Reset();
    // Activity of an earlier run is not this run's.
    s.rdsActivity.Reset();
    s.tmcActivity.Reset();
    return true;
}

bool StartStatusWorker() { return State().statusWorker.Start(StatusWorker, nullptr, "rdstmc-status"); }

void OpenStatusGate() { State().statusStartGate.Set(); }

void SignalRunEnded() { State().stopSignal.Set(); }

void EnterFeedCall() {
    ++t_feedDepth;
    g_feedCalls.fetch_add(1);
}

void LeaveFeedCall() {
    g_feedCalls.fetch_sub(1);
    --t_feedDepth;
}

bool InsideFeedCall() { return t_feedDepth > 0; }

}  // namespace rdstmc::session
