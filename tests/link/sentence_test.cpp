#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "link/sentence.h"

namespace rdstmc {
namespace {

std::string Framed(const char* text) {
    char out[kLineBufferSize];
    const size_t n = FrameSentence(text, out);
    return std::string(out, n);
}

TEST(FrameSentence, KnownCommandsGetTheirChecksums) {
    EXPECT_EQ(Framed("$PLTCM,A1"), "$PLTCM,A1*1A\r\n");
    EXPECT_EQ(Framed("$PLTCM,H2,8800"), "$PLTCM,H2,8800*3C\r\n");
    EXPECT_EQ(Framed("$PLTCM,RFA,65535"), "$PLTCM,RFA,65535*23\r\n");
    EXPECT_EQ(Framed("$PLTCM,+"), "$PLTCM,+*41\r\n");
    EXPECT_EQ(Framed("$PLTCM,-"), "$PLTCM,-*47\r\n");
    EXPECT_EQ(Framed("$PLTCM,A3"), "$PLTCM,A3*18\r\n");
}

TEST(FrameSentence, RefusesTextsThatCannotBeFramed) {
    const std::string longest(kMaxCommandLength, 'A');
    char out[kLineBufferSize];
    EXPECT_EQ(FrameSentence(longest.c_str(), out), kMaxCommandLength + 5);
    EXPECT_EQ(out[kMaxCommandLength + 5], '\0');
    const std::string tooLong(kMaxCommandLength + 1, 'A');
    EXPECT_EQ(FrameSentence(tooLong.c_str(), out), 0u);
}

TEST(ComputeChecksum, SkipsEveryDollarAndStopsAtStar) {
    EXPECT_EQ(ComputeChecksum("$AB"), ComputeChecksum("A$B"));
    EXPECT_EQ(ComputeChecksum("$AB*ZZ"), 'A' ^ 'B');
    EXPECT_EQ(ComputeChecksum(""), 0);
}

TEST(ReadField, ReadsDecimalFieldsInOrderAndStopsAtTheLineEnd) {
    const char line[] = "$PLTTQ,8750,-40, 7 ,,*00\n";
    const char* lineEnd = line + sizeof line - 2;
    const char* cursor = line + 7;
    int v = -1;
    ASSERT_TRUE(ReadField(cursor, lineEnd, v));
    EXPECT_EQ(v, 8750);
    ASSERT_TRUE(ReadField(cursor, lineEnd, v));
    EXPECT_EQ(v, -40);
    ASSERT_TRUE(ReadField(cursor, lineEnd, v));
    EXPECT_EQ(v, 7);
    ASSERT_TRUE(ReadField(cursor, lineEnd, v)) << "an empty field";
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(ReadField(cursor, lineEnd, v)) << "the empty field before '*'";
    EXPECT_EQ(v, 0);
    const char* before = cursor;
    EXPECT_FALSE(ReadField(cursor, lineEnd, v));
    EXPECT_EQ(cursor, before);
}

TEST(ReadField, ReadsLikeAsciiToIntegerAndStopsAtTheFirstOtherCharacter) {
    const std::pair<const char*, int> cases[] = {
        {"$PLTTQ,9000x,*00\n", 9000}, {"$PLTTQ,9100.5,*00\n", 9100}, {"$PLTTQ,S,*00\n", 0},
        {"$PLTTQ,-,*00\n", 0},        {"$PLTTQ,1 2,*00\n", 1},       {"$PLTTQ, \t+7,*00\n", 7},
        {"$PLTTQ,0x12,*00\n", 0},     {"$PLTTQ,- 5,*00\n", 0},       {"$PLTTQ,-12abc,*00\n", -12},
    };
    for (const auto& [line, expected] : cases) {
        const char* cursor = line + 7;
        int v = 5;
        ASSERT_TRUE(ReadField(cursor, line + std::strlen(line) - 1, v)) << line;
        EXPECT_EQ(v, expected) << line;
        EXPECT_EQ(*cursor, '*') << "moved past the field's own comma: " << line;
    }
}

TEST(ReadField, NeverLooksPastTheLineFeed) {
    const char text[] = "$PLTTQ,12\n,34*00";
    const char* lineEnd = text + 9;  // the line feed
    const char* cursor = text + 7;
    int v;
    EXPECT_FALSE(ReadField(cursor, lineEnd, v));
}

TEST(ReadField, OutOfRangeValuesWrapInsteadOfOverflowing) {
    const char line[] = "$PLTTR,4294967297,*00\n";
    const char* cursor = line + 7;
    int v;
    ASSERT_TRUE(ReadField(cursor, line + sizeof line - 2, v));
    EXPECT_EQ(v, 1);
}

TEST(ClassifySentence, MapsEachIdentifierToItsKind) {
    const char* ids[] = {"$PLTTS", "$PLTTF", "$PLTTQ", "$PLTCH", "$PLTMT",
                         "$PLTRD", "$PLTTM", "$PLTTR", "$PLTFD", "$PLTCF"};
    for (int k = 0; k < kSentenceKindCount; ++k) {
        EXPECT_EQ(ClassifySentence((std::string(ids[k]) + ",1*00\r\n").c_str()), k) << ids[k];
    }
    EXPECT_EQ(ClassifySentence("$PLTXX,1*00\r\n"), kSentenceUnknown);
    EXPECT_EQ(ClassifySentence("$pltts,1*00\r\n"), kSentenceUnknown);
    EXPECT_EQ(ClassifySentence("$PLT\n"), kSentenceUnknown);
}

}  // namespace
}  // namespace rdstmc
