// The recording format as the tools read it, and the bundled recording.
#include "recording.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/child_process.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

TEST(Recording, OnlyLinesTheReplayWouldPlayAreRead) {
    const auto records = emulator::ParseRecording(
        "[100],$PLTTQ,8750,40,0,0,0*50\r\n"
        "$PLTTQ,8750,40,0,0,0*50\r\n"      // no stamp
        "[-5],$PLTTQ,8750,40,0,0,0*50\r\n"  // past 2^31 ms of uptime
        "[200],no sentence\r\n"
        "[1][300],$PLTCH,\"ABCDEFGH\"*4B\r\n"  // the last stamp counts
        "[400],$PLTTQ,8760");                  // unfinished last line
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].stamp, 100);
    EXPECT_EQ(records[0].sentence, "$PLTTQ,8750,40,0,0,0*50\r\n");
    EXPECT_EQ(records[1].stamp, -5);
    EXPECT_EQ(records[2].stamp, 300);
    EXPECT_EQ(records[2].sentence, "$PLTCH,\"ABCDEFGH\"*4B\r\n");
    EXPECT_EQ(emulator::LogRecord(-7, "$X\r\n"), "[-7],$X\r\n");
}

TEST(Recording, PlaybackGapsFollowTheTickAcrossItsWrapAndStayBounded) {
    EXPECT_EQ(emulator::PlaybackGap(100, 350), 250ms);
    EXPECT_EQ(emulator::PlaybackGap(-10, 5), 15ms) << "the tick passed 2^31 ms";
    EXPECT_EQ(emulator::PlaybackGap(2147483600, -2147483596), 100ms) << "and wrapped";
    EXPECT_EQ(emulator::PlaybackGap(500, 400), 0ms) << "a step back plays at once";
    EXPECT_EQ(emulator::PlaybackGap(0, 3600000), emulator::kLongestPlaybackGap);
}

// The bundled file is what the generator writes; a change to either shows here.
TEST(Recording, BundledRecordingIsTheGeneratorsOutput) {
    test::ChildProcess generator({MAKE_RECORDING_PATH});
    ASSERT_EQ(generator.Wait(10s), 0) << generator.Errors();
    const std::string bundled = test::ReadFile(BUNDLED_RECORDING_PATH);
    ASSERT_FALSE(bundled.empty());
    EXPECT_TRUE(generator.Output() == bundled) << "regenerate with rdstmc-make-recording data/river-fm.log";
}

}  // namespace
}  // namespace rdstmc
