#include <gtest/gtest.h>

#include "support/seams.h"
#include "data/decoders.h"
#include "sentences.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using emulator::Frame;
using emulator::TuningSentence;
using test::Feed;

class TuningTest : public test::DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        test::SetTunerMode(1);
        Connect(&listener_);
    }
    int Health() {
        int h = -1;
        EXPECT_TRUE(TmcGetRdsHealth(h));
        return h;
    }
    test::FrequencyRecorder listener_;
};

TEST_F(TuningTest, AFirstReportStoresTheFrequencyAndNotifiesOnce) {
    Feed(TuningSentence(8750, 40));
    int f = 0;
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    EXPECT_EQ(f, 875);
    ASSERT_EQ(listener_.Events().size(), 1u);
    EXPECT_EQ(listener_.Events()[0].frequency, 875);
    EXPECT_EQ(listener_.Events()[0].quality, 40);
    EXPECT_EQ(listener_.Events()[0].tunerMode, 1);
    EXPECT_EQ(Health(), 7);
    Feed(TuningSentence(8750, 40));
    EXPECT_EQ(listener_.Events().size(), 1u) << "same frequency, no notification";
    EXPECT_EQ(Health(), 7);
    Feed(TuningSentence(8759, 40));
    EXPECT_EQ(listener_.Events().size(), 1u) << "8759 truncates to 875";
}

TEST_F(TuningTest, HealthFollowsTheTableExactly) {
    const std::pair<unsigned, int> table[] = {{0, 0},  {20, 0}, {23, 0}, {24, 3}, {25, 4}, {29, 4}, {30, 5},
                                              {34, 5}, {35, 6}, {38, 6}, {39, 7}, {43, 7}, {44, 8}, {47, 8},
                                              {48, 9}, {54, 9}, {55, 10}, {1000, 10}};
    for (const auto& [average, health] : table) EXPECT_EQ(HealthFromAverage(average), health) << average;
}

TEST_F(TuningTest, HealthAveragesTheSamplesTruncating) {
    Feed(TuningSentence(9000, 24) + TuningSentence(9000, 24));
    EXPECT_EQ(Health(), 3);
    Feed(TuningSentence(9010, 23) + TuningSentence(9010, 24));
    EXPECT_EQ(Health(), 0) << "average 23";
    Feed(TuningSentence(9020, 25) + TuningSentence(9020, 24));
    EXPECT_EQ(Health(), 3) << "average 24";
}

TEST_F(TuningTest, TheAverageCoversExactlyTheLastTenSamples) {
    std::string stream;
    for (int i = 0; i < 10; ++i) stream += TuningSentence(9500, 0);
    for (int i = 0; i < 10; ++i) stream += TuningSentence(9500, 60);
    Feed(stream);
    EXPECT_EQ(Health(), 10) << "the ten zeros have left the ring";
    Feed(TuningSentence(9500, 0));
    EXPECT_EQ(Health(), 9) << "(9 * 60 + 0) / 10 = 54";
}

TEST_F(TuningTest, AChangeOfFrequencyRestartsTheRingButAnOpenDoesNot) {
    Feed(TuningSentence(9500, 60));
    Feed(TuningSentence(9600, 30));
    EXPECT_EQ(Health(), 5) << "only the sample since the change";
    ZeroFillPublished(State());
    EXPECT_EQ(Health(), 5) << "the ring survives the zero-fill of a new start";
}

TEST_F(TuningTest, IncompleteOrBadReportsChangeNothing) {
    Feed(TuningSentence(9000, 40));
    const auto before = listener_.Events().size();
    Feed(Frame("$PLTTQ,9500,40,0,0"));      // four fields
    Feed(Frame("$PLTTQ,9500"));             // one
    Feed(emulator::FrameWithBadChecksum("$PLTTQ,9500,40,0,0,0"));
    int f = 0;
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    EXPECT_EQ(f, 900);
    EXPECT_EQ(listener_.Events().size(), before);
    EXPECT_EQ(Health(), 7);
}

TEST_F(TuningTest, TextInFieldsTheLibraryDoesNotUseKeepsTheReport) {
    Feed(Frame("$PLTTQ,8750,40,0,0,S"));
    Feed(Frame("$PLTTR,X,25089,0,0,0"));
    int f = 0;
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    EXPECT_EQ(f, 875);
    unsigned long pi = 0;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(pi, 25089u);
}

TEST(TuningQueries, AnswerNothingWithoutAPortOrReplay) {
    int f = 1234, h = 5678;
    EXPECT_FALSE(TmcGetTunerFrequency(f));
    EXPECT_FALSE(TmcGetRdsHealth(h));
    EXPECT_EQ(f, 1234);
    EXPECT_EQ(h, 5678);
}

}  // namespace
}  // namespace rdstmc
