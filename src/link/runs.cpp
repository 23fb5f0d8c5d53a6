#include "link/runs.h"

#include "data/receiver_state.h"
#include "status/status_worker.h"

namespace rdstmc {
namespace {
// Long enough for a worker that is inside a slow listener callback.
constexpr unsigned kJoinTimeoutMs = 2000;
// When the library is unloaded (or the process exits) after the client has
// closed everything, the ended workers are reaped, so none is left as a
// zombie thread. Workers of a run the client left going are not waited for.
struct ReapWorkersAtUnload {
    ~ReapWorkersAtUnload() {
        ReceiverState& s = State();
        platform::LockGuard guard(s.lifecycleLock);
        if (s.portOpen.load() || s.replayRunning.load()) return;
        EndPreviousRun();
    }
};
ReapWorkersAtUnload g_reapAtUnload;

}  // namespace

bool EndPreviousRun() {
    ReceiverState& s = State();
    if (s.dataWorker.IsCurrent() || s.statusWorker.IsCurrent()) return false;
    s.stopSignal.Set();
    if (!s.dataWorker.Join(kJoinTimeoutMs) || !s.statusWorker.Join(kJoinTimeoutMs)) return false;
    s.stopSignal.Reset();
    s.statusStartGate.Reset();
    return true;
}

bool StartStatusWorker() { return State().statusWorker.Start(StatusWorker, nullptr, "rdstmc-status"); }

void OpenStatusGate() { State().statusStartGate.Set(); }

void SignalRunEnded() { State().stopSignal.Set(); }

}  // namespace rdstmc
