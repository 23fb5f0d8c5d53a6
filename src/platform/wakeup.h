// An in-process, manual-reset signal that a worker waits on beside its device
// or events, so that stopping the worker takes effect at once.
#pragma once
#include <cstdint>

namespace rdstmc::platform {

class Wakeup {
public:
    // Starts clear. If the OS refuses the object, Wait degrades to a plain
    // timed sleep and Set has no effect; nothing ever spins.
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    // Makes every current and later Wait return at once, until Reset. Any thread.
    void Set();
    // Clears the signal. Any thread.
    void Reset();
    // Blocks until set or `timeoutMs` has passed; true when set.
    bool Wait(unsigned timeoutMs) const;

    // Waits up to `timeoutMs` for any of `count` wake-ups; the index of the
    // first of them, in the order given, that is set, or -1 when none was
    // set in time. Clears none: the caller resets what it has taken.
    static int WaitAny(const Wakeup* const* wakeups, int count, unsigned timeoutMs);

    // Gives this object a new, clear OS object and lets go of the old one,
    // which a copied process shares with its parent: setting or resetting it
    // in the child would reach the parent's workers. Single-threaded use only.
    void Renew();

    // For other platform implementations only: the native pollable object.
    intptr_t NativeHandle() const { return handle_; }

private:
    intptr_t handle_;
};

}  // namespace rdstmc::platform
