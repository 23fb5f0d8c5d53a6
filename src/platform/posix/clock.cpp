#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace rdstmc::platform {
namespace {
std::atomic<uint32_t> g_tickOffset{0};

uint64_t NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}
}  // namespace

uint32_t TickCount() {
    return static_cast<uint32_t>(NowMs()) + g_tickOffset.load(std::memory_order_relaxed);
}

uint64_t MonotonicMs() { return NowMs(); }

void SleepMs(unsigned ms) {
    timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// The tests' seam (declared in tests/support/seams.h): a shifted tick origin.
void SetTickOffsetForTesting(uint32_t offset);
void SetTickOffsetForTesting(uint32_t offset) { g_tickOffset.store(offset, std::memory_order_relaxed); }

}  // namespace rdstmc::platform
