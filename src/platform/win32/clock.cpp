#include "platform/clock.h"

#include <windows.h>

#include <atomic>

namespace rdstmc::platform {
namespace {
std::atomic<uint32_t> g_tickOffset{0};
}  // namespace

// GetTickCount64 never wraps; the library's tick is its low 32 bits, which
// wrap as GetTickCount does.
uint32_t TickCount() { return static_cast<uint32_t>(GetTickCount64()) + g_tickOffset.load(); }

uint64_t MonotonicMs() { return GetTickCount64(); }

void SleepMs(unsigned ms) { Sleep(ms); }

// The tests' seam (declared in tests/support/seams.h): a shifted tick origin.
void SetTickOffsetForTesting(uint32_t offset);
void SetTickOffsetForTesting(uint32_t offset) { g_tickOffset.store(offset); }

}  // namespace rdstmc::platform
