#include "data/receiver_state.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "data/listeners.h"

namespace rdstmc {
namespace {

// Every receiver there is, the default one included once made. Never
// destroyed, as the default receiver is not: workers may outlive main.
struct Registry {
    platform::Lock lock;
    std::vector<ReceiverState*> receivers;
};

Registry& TheRegistry() {
    alignas(Registry) static unsigned char storage[sizeof(Registry)];
    static Registry* const registry = new (storage) Registry();
    return *registry;
}

// Registration may fail only for want of memory.
bool Register(ReceiverState* receiver) {
    Registry& r = TheRegistry();
    platform::LockGuard guard(r.lock);
    try {
        r.receivers.push_back(receiver);
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace

ReceiverState& State() {
    alignas(ReceiverState) static unsigned char storage[sizeof(ReceiverState)];
    static ReceiverState* const state = [] {
        ReceiverState* made = new (storage) ReceiverState();
        // A default receiver the registry cannot hold still works; only a
        // copy of the process would not see it.
        Register(made);
        return made;
    }();
    return *state;
}

ReceiverState* NewReceiver() {
    ReceiverState* made = new (std::nothrow) ReceiverState();
    if (made != nullptr && !Register(made)) {
        delete made;
        return nullptr;
    }
    return made;
}

void Unregister(ReceiverState* receiver) {
    Registry& r = TheRegistry();
    platform::LockGuard guard(r.lock);
    for (size_t i = 0; i < r.receivers.size(); ++i) {
        if (r.receivers[i] == receiver) {
            r.receivers.erase(r.receivers.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void ForEachReceiver(void (*visit)(ReceiverState&)) {
    Registry& r = TheRegistry();
    platform::LockGuard guard(r.lock);
    for (ReceiverState* receiver : r.receivers) visit(*receiver);
}

void ForEachReceiverLocked(void (*visit)(ReceiverState&)) {
    for (ReceiverState* receiver : TheRegistry().receivers) visit(*receiver);
}

void LockRegistry() { TheRegistry().lock.Acquire(); }
void UnlockRegistry() { TheRegistry().lock.Release(); }

void ZeroFillPublished(ReceiverState& s) {
    {
        platform::LockGuard guard(s.dataLock);
        std::memset(&s.published, 0, sizeof s.published);
        s.published.status = TmcStatusStopped;
    }
    s.tunerMode.store(0);
    s.seekParameter.store(0);
    s.programmeId.store(0);
}

bool StoreStatus(ReceiverState& s, TmcStatus status) {
    platform::LockGuard guard(s.dataLock);
    if (s.published.status == status) return false;
    s.published.status = status;
    return true;
}

void NotifyStatus(ReceiverState& s, TmcStatus status) {
    NotifyListener<ITmcStatusListener>(s.slots.status, [&](ITmcStatusListener* l) { l->OnStatusChanged(status); });
}

void SetStatus(ReceiverState& s, TmcStatus status) {
    if (StoreStatus(s, status)) NotifyStatus(s, status);
}

bool DataAvailable(const ReceiverState& s) { return s.portOpen.load() || s.replayRunning.load(); }

TmcStatus GetStatus(ReceiverState& s) {
    platform::LockGuard guard(s.dataLock);
    return s.published.status;
}

}  // namespace rdstmc

TmcStatus TmcGetStatus() { return rdstmc::GetStatus(rdstmc::State()); }
