#include "data/listeners.h"

#include "data/call_stack.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/thread.h"

namespace rdstmc {
namespace {

// A callback that disconnects its own slot must not wait for the call it is part of.
using ListenerCalls = CallStack<ListenerSlot>;

int OwnCalls(const ListenerSlot& slot) { return ListenerCalls::Count(&slot); }

}  // namespace

void* ExchangeListener(ListenerSlot& slot, void* listener) { return slot.listener.exchange(listener); }

bool WaitForOtherCalls(ListenerSlot& slot) {
    if (platform::Thread::CurrentIsWorker()) return false;
    const int own = OwnCalls(slot);
    while (slot.callsInProgress.load() > own) platform::SleepMs(1);
    return true;
}

void EnterListenerCall(ListenerSlot& slot) {
    slot.callsInProgress.fetch_add(1);
    ListenerCalls::Enter(&slot);
}

void LeaveListenerCall(ListenerSlot& slot) {
    ListenerCalls::Leave();
    slot.callsInProgress.fetch_sub(1);
}

void ForgetCallsOfOtherThreads(ListenerSlots& slots) {
    for (ListenerSlot* slot : slots.All()) slot->callsInProgress.store(OwnCalls(*slot));
}

// Stores `listener` (null to empty the slot); returns whether the slot held
// one. On a client thread, once it returns the old listener is called by no
// thread.
bool ReplaceListener(ListenerSlot& slot, void* listener) {
    void* old = ExchangeListener(slot, listener);
    if (old != nullptr && old != listener) WaitForOtherCalls(slot);
    return old != nullptr;
}

}  // namespace rdstmc

using rdstmc::ReplaceListener;
using rdstmc::State;

ITmcFrequencyListener::~ITmcFrequencyListener() = default;
ITmcRdsListener::~ITmcRdsListener() = default;
ITmcStatusListener::~ITmcStatusListener() = default;
ITmcRawDataListener::~ITmcRawDataListener() = default;
ITmcDeviceListener::~ITmcDeviceListener() = default;
ITmcGroupListener::~ITmcGroupListener() = default;

bool Connect(ITmcFrequencyListener* l) { return l != nullptr && (ReplaceListener(State().slots.frequency, l), true); }
bool Connect(ITmcRdsListener* l) { return l != nullptr && (ReplaceListener(State().slots.rds, l), true); }
bool Connect(ITmcStatusListener* l) { return l != nullptr && (ReplaceListener(State().slots.status, l), true); }
bool Connect(ITmcRawDataListener* l) { return l != nullptr && (ReplaceListener(State().slots.rawData, l), true); }
bool Connect(ITmcDeviceListener* l) { return l != nullptr && (ReplaceListener(State().slots.device, l), true); }
bool Connect(ITmcGroupListener* l) { return l != nullptr && (ReplaceListener(State().slots.group, l), true); }

bool Disconnect(ITmcFrequencyListener*) { return ReplaceListener(State().slots.frequency, nullptr); }
bool Disconnect(ITmcRdsListener*) { return ReplaceListener(State().slots.rds, nullptr); }
bool Disconnect(ITmcStatusListener*) { return ReplaceListener(State().slots.status, nullptr); }
bool Disconnect(ITmcRawDataListener*) { return ReplaceListener(State().slots.rawData, nullptr); }
bool Disconnect(ITmcDeviceListener*) { return ReplaceListener(State().slots.device, nullptr); }
bool Disconnect(ITmcGroupListener*) { return ReplaceListener(State().slots.group, nullptr); }
