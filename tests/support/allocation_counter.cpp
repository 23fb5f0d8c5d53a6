#include "support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool t_counting = false;
thread_local long t_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (t_counting) ++t_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace rdstmc::test {

void StartCountingAllocations() {
    t_allocations = 0;
    t_counting = true;
}

long StopCountingAllocations() {
    t_counting = false;
    return t_allocations;
}

}  // namespace rdstmc::test
