// Counts heap allocations made by one thread between Start and Stop. The
// program that links allocation_counter.cpp has its operator new replaced,
// which the sanitizers also do, so it is never linked into their builds.
#pragma once

namespace rdstmc::test {

// Starts counting this thread's allocations from zero.
void StartCountingAllocations();
// Stops counting; the allocations made since the start.
long StopCountingAllocations();

}  // namespace rdstmc::test
