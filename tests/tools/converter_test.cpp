// The converter: other tools' group logs in, replayable recordings out.
#include "converter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "recording.h"
#include "support/test_support.h"
#include "tools/samples.h"

namespace rdstmc {
namespace {

using convert::Convert;

// Checks the framing independently of the code under test.
bool ChecksumHolds(const std::string& sentence) {
    const size_t star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos || star + 5 != sentence.size()) return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    return std::strtoul(sentence.substr(star + 1, 2).c_str(), nullptr, 16) == sum && sentence.substr(star + 3) == "\r\n";
}

using test::kSpyExcerpt;

TEST(Converter, RdsSpyLogBecomesCheckedSentencesOnTheSourceClock) {
    const convert::Conversion c = Convert(kSpyExcerpt, 0);
    EXPECT_EQ(c.groups, 3u);
    EXPECT_EQ(c.incomplete, 1u);
    EXPECT_EQ(c.otherLines, 2u);
    EXPECT_TRUE(c.timed);
    EXPECT_EQ(c.frequency, 9690);

    const auto records = emulator::ParseRecording(c.log);
    ASSERT_EQ(records.size(), 4u);
    for (const auto& r : records) EXPECT_TRUE(ChecksumHolds(r.sentence)) << r.sentence;
    EXPECT_EQ(records[0].sentence.substr(0, 23), "$PLTTQ,9690,50,0,0,0*52");
    EXPECT_EQ(records[1].sentence.substr(0, records[1].sentence.find('*')), "$PLTTR,0,4660,8192,18501,19532");
    // Stamps keep the source's spacing: 90 ms, then 170 ms across the skipped group.
    EXPECT_EQ(records[1].stamp, convert::kFirstStamp);
    EXPECT_EQ(records[2].stamp - records[1].stamp, 90);
    EXPECT_EQ(records[3].stamp - records[2].stamp, 170);
}

TEST(Converter, PlainHexListsAreSpacedAtTheGroupRate) {
    const convert::Conversion c = Convert("# captured groups\n"
                                          "12342000484F4C4C\n"
                                          "1234 2001 4F20 574F\n"
                                          "1234,2002,524C,440D\n"
                                          "not a group\n"
                                          "12 34 56 78\n",
                                          0);
    EXPECT_EQ(c.groups, 3u);
    EXPECT_EQ(c.otherLines, 3u);
    EXPECT_FALSE(c.timed);
    EXPECT_EQ(c.frequency, 0);  // no leading tuning report
    const auto records = emulator::ParseRecording(c.log);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].sentence.rfind("$PLTTR,0,4660,8192,18511,19532*", 0), 0u);
    EXPECT_EQ(records[1].stamp - records[0].stamp, 88);
    EXPECT_EQ(records[2].stamp - records[0].stamp, 175);  // 2 x 87.6, not 2 x 88
}

TEST(Converter, SourceTimesCrossMidnightAndNeverRunBackwards) {
    const convert::Conversion c = Convert("1234 0000 0000 0000 @2017/04/04 23:59:59.95\n"
                                          "1234 0000 0000 0001 @2017/04/05 00:00:00.05\n"
                                          "1234 0000 0000 0002 @2017/04/04 23:00:00.00\n",
                                          95.0);
    const auto records = emulator::ParseRecording(c.log);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].sentence.rfind("$PLTTQ,9500,", 0), 0u);
    EXPECT_EQ(records[2].stamp - records[1].stamp, 100);
    EXPECT_EQ(records[3].stamp, records[2].stamp);
}

TEST(Converter, ConvertedRecordingReplaysToTheRadioText) {
    test::TempDir dir;
    const std::string path = dir.File("spy.log");
    test::WriteFile(path, Convert(kSpyExcerpt, 0).log);
    test::RdsRecorder rds;
    test::FrequencyRecorder freq;
    Connect(&rds);
    Connect(&freq);
    ASSERT_TRUE(TmcStartSimulation(path.c_str()));
    EXPECT_TRUE(test::WaitUntil([&] { return !rds.RadioTexts().empty(); }));
    EXPECT_EQ(rds.RadioTexts(), std::vector<std::string>{"HELLO WORLD"});
    ASSERT_EQ(freq.Events().size(), 1u);
    EXPECT_EQ(freq.Events()[0].frequency, 969);
    TmcStopSimulation();
    test::StatusRecorder status;
    Connect(&status);
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    test::DisconnectAll();
}

}  // namespace
}  // namespace rdstmc
