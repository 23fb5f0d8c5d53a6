// The listener slots and the one way the library calls a listener.
#pragma once
#include <array>
#include <atomic>

#include "rdstmc.h"
#include "rdstmc_ext.h"

namespace rdstmc {

// One client listener. A call in progress is counted before the pointer is
// read, so Disconnect can wait until no call can still reach the old object.
struct ListenerSlot {
    std::atomic<void*> listener{nullptr};
    std::atomic<int> callsInProgress{0};
};

// A receiver's slots, one per listener interface.
struct ListenerSlots {
    ListenerSlot frequency, rds, status, rawData, device, group;
    std::array<ListenerSlot*, 6> All() { return {&frequency, &rds, &status, &rawData, &device, &group}; }
};

// Marks the calling thread as inside a call on `slot`; a Disconnect made from
// inside the callback then does not wait for itself.
void EnterListenerCall(ListenerSlot& slot);
void LeaveListenerCall(ListenerSlot& slot);

// Stores `listener` (null to empty the slot) and returns what it held. Does
// not wait: see WaitForOtherCalls.
void* ExchangeListener(ListenerSlot& slot, void* listener);

// On a client thread, returns once no other thread is inside a call on
// `slot`, so whatever the slot held before is called by no thread; on a
// library worker returns at once (two workers replacing each other's
// listener from their callbacks would otherwise wait for each other).
// Returns whether it waited.
bool WaitForOtherCalls(ListenerSlot& slot);

// Stores `listener` (null to empty the slot); returns whether the slot held
// one. On a client thread, once it returns the old listener is called by no
// thread.
bool ReplaceListener(ListenerSlot& slot, void* listener);

// In a copy of the process, where only the calling thread exists: calls that
// other threads had in progress will never end, so they no longer count.
void ForgetCallsOfOtherThreads(ListenerSlots& slots);

// Calls `call(listener)` if a listener of type L is connected. Exceptions the
// client throws are swallowed: one bad callback must not end a worker.
template <class L, class F>
void NotifyListener(ListenerSlot& slot, F&& call) {
    // An empty slot needs no bookkeeping: a listener connected meanwhile
    // misses only a call that began before it was there.
    if (slot.listener.load() == nullptr) return;
    EnterListenerCall(slot);
    if (L* l = static_cast<L*>(slot.listener.load())) {
        try {
            call(l);
        } catch (...) {
        }
    }
    LeaveListenerCall(slot);
}

}  // namespace rdstmc
