#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/process_buffer.h"
#include "link/sentence.h"
#include "sentences.h"

namespace rdstmc {
namespace {

using emulator::Frame;
using emulator::FrameWithBadChecksum;

struct Collected {
    std::vector<std::string> lines;
};

void Collect(void* context, const char* line, size_t length) {
    EXPECT_EQ(std::strlen(line), length) << "lines reach the sink zero-terminated";
    static_cast<Collected*>(context)->lines.emplace_back(line, length);
}

// Feeds `stream` through a reader-style loop whose reads return the pieces
// given, and returns what was dispatched.
std::vector<std::string> SplitInReads(const std::string& stream, const std::vector<size_t>& readSizes) {
    Collected got;
    char buffer[kReceiveBufferSize];
    size_t carried = 0, at = 0, piece = 0;
    while (at < stream.size()) {
        size_t n = piece < readSizes.size() ? readSizes[piece++] : stream.size();
        n = std::min({n, stream.size() - at, sizeof buffer - carried});
        stream.copy(buffer + carried, n, at);
        at += n;
        SplitSentences(buffer, buffer + carried + n, carried, Collect, &got);
    }
    return got.lines;
}

TEST(SplitSentences, TwoCompleteSentencesAndHalfOfAThird) {
    const std::string a = Frame("$PLTTS,1,2"), b = Frame("$PLTTQ,8750,40,0,0,0"), c = Frame("$PLTTS,3,4");
    std::string bytes = a + b + c.substr(0, 6);
    Collected got;
    size_t remainder = 99;
    SplitSentences(&bytes[0], &bytes[0] + bytes.size(), remainder, Collect, &got);
    EXPECT_EQ(got.lines, (std::vector<std::string>{a, b}));
    EXPECT_EQ(remainder, 6u);
    EXPECT_EQ(bytes.substr(0, 6), c.substr(0, 6)) << "the unfinished sentence moved to the front";
}

TEST(SplitSentences, AnUnfinishedSentenceAtTheStartIsKeptNotLost) {
    const std::string s = Frame("$PLTTS,1,2");
    std::string bytes = s.substr(0, 8);
    Collected got;
    size_t remainder = 0;
    SplitSentences(&bytes[0], &bytes[0] + bytes.size(), remainder, Collect, &got);
    EXPECT_TRUE(got.lines.empty());
    EXPECT_EQ(remainder, 8u);
}

TEST(SplitSentences, ASentenceSplitAtAnyByteIsDispatchedExactlyOnce) {
    const std::string before = Frame("$PLTTS,1,2");
    const std::string s = Frame("$PLTTR,0,25089,247,59140,21321");
    const std::string stream = before + s + before;
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        const auto lines = SplitInReads(stream, {cut});
        EXPECT_EQ(lines, (std::vector<std::string>{before, s, before})) << "cut at " << cut;
    }
    // Byte by byte, the worst a slow line can do.
    EXPECT_EQ(SplitInReads(stream, std::vector<size_t>(stream.size(), 1)),
              (std::vector<std::string>{before, s, before}));
}

TEST(SplitSentences, DropsBadInputAndKeepsTheGoodAroundIt) {
    const std::string good = Frame("$PLTTS,1,2");
    const std::string noStar = "$PLTTS,1,2\r\n";
    const std::string bad = FrameWithBadChecksum("$PLTTS,1,2");
    const std::string truncatedSum = "$PLTTS,1,2*3\n";
    const std::string garbage = "\x01\xff noise without a dollar ";
    const auto lines = SplitInReads(garbage + good + bad + noStar + truncatedSum + good, {});
    EXPECT_EQ(lines, (std::vector<std::string>{good, good}));
}

TEST(SplitSentences, LowercaseHexNeverMatches) {
    // 0x3C is the checksum of this body; "3c" must not pass.
    ASSERT_EQ(Frame("$PLTCM,H2,8800"), "$PLTCM,H2,8800*3C\r\n");
    EXPECT_TRUE(SplitInReads("$PLTCM,H2,8800*3c\r\n", {}).empty());
    EXPECT_EQ(SplitInReads("$PLTCM,H2,8800*3C\r\n", {}).size(), 1u);
}

TEST(SplitSentences, ADollarInsideTheBodyStaysOutOfTheChecksum) {
    const std::string s = Frame("$PLTCH,\"AB$CDEFG\"");
    EXPECT_EQ(SplitInReads(s, {}), std::vector<std::string>{s});
}

TEST(SplitSentences, LinesLongerThan255BytesAreDroppedWholeAndScanningResumesAfter) {
    std::string body = "$PLTTS,1,";
    const std::string good = Frame("$PLTTS,1,2");
    std::string longest = Frame(body + std::string(255 - body.size() - 5, '7'));
    ASSERT_EQ(longest.size(), 255u);
    std::string tooLong = Frame(body + std::string(256 - body.size() - 5, '7'));
    ASSERT_EQ(tooLong.size(), 256u);
    EXPECT_EQ(SplitInReads(longest, {}), std::vector<std::string>{longest});
    EXPECT_EQ(SplitInReads(tooLong + good, {}), std::vector<std::string>{good});
    EXPECT_EQ(SplitInReads(tooLong + good, {100, 100}), std::vector<std::string>{good});
}

TEST(SplitSentences, AWholeBufferWithoutALineFeedIsDroppedSoReadingGoesOn) {
    const std::string good = Frame("$PLTTS,1,2");
    const std::string flood = "$" + std::string(3000, 'x');
    // The flood's tail carries no '$', so nothing of it is mistaken for a line.
    EXPECT_EQ(SplitInReads(flood + "\n" + good, {512, 512, 512}), std::vector<std::string>{good});
}

TEST(SplitSentences, BytesBeforeTheFirstDollarAreDiscarded) {
    std::string bytes = "noise only, nothing to keep";
    Collected got;
    size_t remainder = 5;
    SplitSentences(&bytes[0], &bytes[0] + bytes.size(), remainder, Collect, &got);
    EXPECT_TRUE(got.lines.empty());
    EXPECT_EQ(remainder, 0u);
}

}  // namespace
}  // namespace rdstmc
