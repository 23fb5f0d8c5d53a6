#include "data/receiver_state.h"

#include <cstring>
#include <new>

#include "data/listeners.h"

namespace rdstmc {

ReceiverState& State() {
    alignas(ReceiverState) static unsigned char storage[sizeof(ReceiverState)];
    static ReceiverState* const state = new (storage) ReceiverState();
    return *state;
}

void ZeroFillPublished() {
    ReceiverState& s = State();
    {
        platform::LockGuard guard(s.dataLock);
        std::memset(&s.published, 0, sizeof s.published);
        s.published.status = TmcStatusStopped;
    }
    s.tunerMode.store(0);
    s.seekParameter.store(0);
    s.programmeId.store(0);
}

bool StoreStatus(TmcStatus status) {
    ReceiverState& s = State();
    platform::LockGuard guard(s.dataLock);
    if (s.published.status == status) return false;
    s.published.status = status;
    return true;
}

void NotifyStatus(TmcStatus status) {
    NotifyListener<ITmcStatusListener>(StatusSlot(), [&](ITmcStatusListener* l) { l->OnStatusChanged(status); });
}

void SetStatus(TmcStatus status) {
    if (StoreStatus(status)) NotifyStatus(status);
}

bool DataAvailable() {
    const ReceiverState& s = State();
    return s.portOpen.load() || s.replayRunning.load();
}

}  // namespace rdstmc

TmcStatus TmcGetStatus() {
    rdstmc::ReceiverState& s = rdstmc::State();
    rdstmc::platform::LockGuard guard(s.dataLock);
    return s.published.status;
}
