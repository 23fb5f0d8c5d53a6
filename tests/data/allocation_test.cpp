// The sentence path allocates nothing per sentence.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "receiver_emulator.h"
#include "status/status_worker.h"
#include "support/test_support.h"

namespace {
thread_local bool t_counting = false;
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (t_counting) g_allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace rdstmc {
namespace {

using emulator::GroupSentence;

TEST(Allocation, TheSentencePathAllocatesNothingPerSentence) {
    test::FreshState();
    test::QueriesAvailable available;
    OpenActivityEvents();
    test::TempDir dir;
    ASSERT_TRUE(TmcStartLogging(dir.File("a.log").c_str()));
    std::string mix;
    for (int i = 0; i < 50; ++i) {
        mix += emulator::TuningSentence(8800 + 10 * i, 40) + emulator::StationSentence("ALLOC   ") +
               GroupSentence(0x6201, 0x0000, 0xE300 | static_cast<unsigned>(i + 1), 0x1234) +
               GroupSentence(0x6201, 0x2000 | static_cast<unsigned>(i & 0xF), 0x4142, 0x430D) +
               GroupSentence(0x6201, 0x4001, 50159, 23236) +
               GroupSentence(0x6201, 0x8000, static_cast<unsigned>(i), 1) + emulator::Frame("$PLTTS,1,2") +
               emulator::FrameWithBadChecksum("$PLTTQ,1,2,3,4,5") + "garbage";
    }
    t_counting = true;
    test::Feed(mix);
    t_counting = false;
    TmcStopLogging();
    EXPECT_EQ(g_allocations.load(), 0) << "over 400 sentences, logging on";
}

}  // namespace
}  // namespace rdstmc
