// Time services: the wrapping millisecond tick, sleeping, and a monotonic clock
// for deadlines.
#pragma once
#include <cstdint>

namespace rdstmc::platform {

// Milliseconds of a monotonic clock, truncated to 32 bits so it wraps about
// every 49.7 days. Never goes back except by that wrap; any thread.
uint32_t TickCount();

// Milliseconds of the same monotonic clock, 64 bits, for deadlines; never wraps
// and ignores the test offset below.
uint64_t MonotonicMs();

// Blocks the calling thread for at least `ms` milliseconds.
void SleepMs(unsigned ms);

}  // namespace rdstmc::platform
