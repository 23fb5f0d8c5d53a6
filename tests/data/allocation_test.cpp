// The sentence path allocates nothing per sentence.
#include <gtest/gtest.h>

#include "receiver_emulator.h"
#include "status/status_worker.h"
#include "support/allocation_counter.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using emulator::GroupSentence;

// The zero below means something only if an allocation would be seen.
TEST(Allocation, TheCounterSeesAnAllocation) {
    test::StartCountingAllocations();
    // A direct call: a new-expression whose result is unused may be elided.
    ::operator delete(::operator new(sizeof(int)));
    EXPECT_EQ(test::StopCountingAllocations(), 1);
}

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
    test::StartCountingAllocations();
    test::Feed(mix);
    const long allocations = test::StopCountingAllocations();
    TmcStopLogging();
    EXPECT_EQ(allocations, 0) << "over 400 sentences, logging on";
}

}  // namespace
}  // namespace rdstmc
