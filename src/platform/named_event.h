// System-wide named auto-reset events: another process can open one by name,
// set it and wait on it.
//
// On POSIX each event is a message queue named "/<name>" with room for one
// one-byte message: setting sends a byte (a full queue means "already set"),
// a successful wait receives it, which resets the event. The queue, and a set
// that nobody has taken yet, persist while the system runs.
#pragma once

#include "platform/wakeup.h"

namespace rdstmc::platform {

struct NamedEvent;

// Creates the event, or opens it if it exists; a new event starts clear.
// Null when the OS refuses. The handle stays valid until NamedEventClose.
NamedEvent* NamedEventOpen(const char* name);

// Sets the event; setting a set event changes nothing. Any thread.
void NamedEventSet(NamedEvent* event);

enum class EventWaitResult { First, Second, Woken, TimedOut, Failed };

// Waits up to `timeoutMs` for either event or `wake`. Takes (resets) exactly
// one event: `first` when both are set, leaving `second` set. Woken when
// `wake` is set, whatever the events; Failed when the OS refuses the wait.
EventWaitResult NamedEventWaitEither(NamedEvent* first, NamedEvent* second,
                                     const Wakeup& wake, unsigned timeoutMs);

void NamedEventClose(NamedEvent* event);

}  // namespace rdstmc::platform
