#include "data/listeners.h"

#include "platform/clock.h"
#include "platform/thread.h"

namespace rdstmc {
namespace {

enum SlotIndex { kFrequency, kRds, kStatus, kRawData, kDevice, kGroup, kSlotCount };

ListenerSlot g_slots[kSlotCount];

// Calls in progress on this thread, per slot: a callback that disconnects its
// own slot must not wait for the call it is part of.
thread_local int t_callDepth[kSlotCount];

int IndexOf(const ListenerSlot& slot) { return static_cast<int>(&slot - g_slots); }

// Stores `listener` (null to empty the slot); returns whether the slot held
// one. On a client thread, once it returns the old listener is called by no
// thread.
bool Replace(ListenerSlot& slot, void* listener) {
    void* old = ExchangeListener(slot, listener);
    if (old != nullptr && old != listener) WaitForOtherCalls(slot);
    return old != nullptr;
}

}  // namespace

ListenerSlot& FrequencySlot() { return g_slots[kFrequency]; }
ListenerSlot& RdsSlot() { return g_slots[kRds]; }
ListenerSlot& StatusSlot() { return g_slots[kStatus]; }
ListenerSlot& RawDataSlot() { return g_slots[kRawData]; }
ListenerSlot& DeviceSlot() { return g_slots[kDevice]; }
ListenerSlot& GroupSlot() { return g_slots[kGroup]; }

void* ExchangeListener(ListenerSlot& slot, void* listener) { return slot.listener.exchange(listener); }

bool WaitForOtherCalls(ListenerSlot& slot) {
    if (platform::Thread::CurrentIsWorker()) return false;
    const int own = t_callDepth[IndexOf(slot)];
    while (slot.callsInProgress.load() > own) platform::SleepMs(1);
    return true;
}

void EnterListenerCall(ListenerSlot& slot) {
    slot.callsInProgress.fetch_add(1);
    ++t_callDepth[IndexOf(slot)];
}

void LeaveListenerCall(ListenerSlot& slot) {
    --t_callDepth[IndexOf(slot)];
    slot.callsInProgress.fetch_sub(1);
}

void ForgetCallsOfOtherThreads() {
    for (int i = 0; i < kSlotCount; ++i) g_slots[i].callsInProgress.store(t_callDepth[i]);
}

}  // namespace rdstmc

using rdstmc::Replace;

ITmcFrequencyListener::~ITmcFrequencyListener() = default;
ITmcRdsListener::~ITmcRdsListener() = default;
ITmcStatusListener::~ITmcStatusListener() = default;
ITmcRawDataListener::~ITmcRawDataListener() = default;
ITmcDeviceListener::~ITmcDeviceListener() = default;
ITmcGroupListener::~ITmcGroupListener() = default;

bool Connect(ITmcFrequencyListener* l) { return l != nullptr && (Replace(rdstmc::FrequencySlot(), l), true); }
bool Connect(ITmcRdsListener* l) { return l != nullptr && (Replace(rdstmc::RdsSlot(), l), true); }
bool Connect(ITmcStatusListener* l) { return l != nullptr && (Replace(rdstmc::StatusSlot(), l), true); }
bool Connect(ITmcRawDataListener* l) { return l != nullptr && (Replace(rdstmc::RawDataSlot(), l), true); }
bool Connect(ITmcDeviceListener* l) { return l != nullptr && (Replace(rdstmc::DeviceSlot(), l), true); }
bool Connect(ITmcGroupListener* l) { return l != nullptr && (Replace(rdstmc::GroupSlot(), l), true); }

bool Disconnect(ITmcFrequencyListener*) { return Replace(rdstmc::FrequencySlot(), nullptr); }
bool Disconnect(ITmcRdsListener*) { return Replace(rdstmc::RdsSlot(), nullptr); }
bool Disconnect(ITmcStatusListener*) { return Replace(rdstmc::StatusSlot(), nullptr); }
bool Disconnect(ITmcRawDataListener*) { return Replace(rdstmc::RawDataSlot(), nullptr); }
bool Disconnect(ITmcDeviceListener*) { return Replace(rdstmc::DeviceSlot(), nullptr); }
bool Disconnect(ITmcGroupListener*) { return Replace(rdstmc::GroupSlot(), nullptr); }
