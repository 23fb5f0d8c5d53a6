#include "session/receiver.h"

#include "data/listeners.h"
#include "platform/lock.h"
#include "session/run.h"

namespace rdstmc {
namespace {

bool CallsEnded(ListenerSlots& slots) {
    for (const ListenerSlot* slot : slots.All()) {
        if (slot->callsInProgress.load() != 0) return false;
    }
    return true;
}

}  // namespace

bool FreeReceiver(ReceiverState* receiver) {
    if (receiver == nullptr || receiver == &State()) return false;
    ReceiverState& s = *receiver;
    Close(s);
    StopSimulation(s);
    StopLogging(s);
    for (ListenerSlot* slot : s.slots.All()) ReplaceListener(*slot, nullptr);
    bool ended;
    {
        // The same wait a new run makes for the old one's workers and feed calls.
        platform::LockGuard guard(s.lifecycleLock);
        ended = session::MayStartRun(s) == TmcErrorNone;
    }
    if (!ended || !CallsEnded(s.slots)) return false;
    Unregister(receiver);
    delete receiver;
    return true;
}

}  // namespace rdstmc
