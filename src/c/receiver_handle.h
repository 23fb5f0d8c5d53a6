// What a C receiver handle holds: the receiver, and the listener objects its
// C callbacks live in. Null names the default receiver.
#pragma once

#include "data/receiver_state.h"
#include "rdstmc_c.h"

namespace rdstmc::c_interface {

// A receiver's C callbacks: the listener objects made for its slots.
class CallbackSlots;

// Null when there is no memory.
CallbackSlots* NewCallbackSlots(ReceiverState& s);
// Empties every slot, waiting for calls in progress (as each disconnect does).
void DisconnectAllCallbacks(CallbackSlots& callbacks);
// Frees them and every listener they made; only once none can be called.
void DeleteCallbackSlots(CallbackSlots* callbacks);

}  // namespace rdstmc::c_interface

struct rdstmc_receiver {
    rdstmc::ReceiverState* state;
    rdstmc::c_interface::CallbackSlots* callbacks;
};

namespace rdstmc::c_interface {

// The receiver a handle names: the default one for null.
rdstmc_receiver& Resolve(rdstmc_receiver* r);

}  // namespace rdstmc::c_interface
