#include <gtest/gtest.h>

#include <thread>

#include "support/seams.h"
#include "data/receiver_state.h"
#include "receiver_emulator.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::TuningSentence;

class TunerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 115200));
        ASSERT_TRUE(receiver_.WaitForLines(2, 2000ms));
        receiver_.ClearReceived();
    }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    // The lines written since the last call.
    std::vector<std::string> Sent() {
        std::vector<std::string> out;
        for (const auto& l : receiver_.Received()) out.push_back(l.text);
        receiver_.ClearReceived();
        return out;
    }
    void Report(int wireFrequency) {
        receiver_.Send(TuningSentence(wireFrequency, 40));
        int f = 0;
        ASSERT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == wireFrequency / 10; }));
    }
    using Lines = std::vector<std::string>;
    emulator::ReceiverEmulator receiver_;
};

TEST_F(TunerTest, TuneSendsTheFrequencyInTenKilohertzUnits) {
    ASSERT_TRUE(TmcControlTuner(TmcTune, 1000));
    EXPECT_EQ(Sent(), Lines{"$PLTCM,H2,10000*0D\r\n"});
    ASSERT_TRUE(TmcControlTuner(TmcTune, 5));
    EXPECT_EQ(Sent(), Lines{emulator::Frame("$PLTCM,H2,50")}) << "no range check";
}

TEST_F(TunerTest, StepsWrapTheBandAtItsExactEdges) {
    Report(10800);
    ASSERT_TRUE(TmcControlTuner(TmcStepUp, 0));
    EXPECT_EQ(Sent(), Lines{"$PLTCM,H2,8750*36\r\n"});
    Report(8750);
    ASSERT_TRUE(TmcControlTuner(TmcStepDown, 0));
    EXPECT_EQ(Sent(), Lines{"$PLTCM,H2,10800*05\r\n"});
    Report(8990);
    ASSERT_TRUE(TmcControlTuner(TmcStepUp, 0));
    EXPECT_EQ(Sent(), Lines{"$PLTCM,H2,9000*35\r\n"});
    ASSERT_TRUE(TmcControlTuner(TmcStepDown, 0));
    EXPECT_EQ(Sent(), Lines{emulator::Frame("$PLTCM,H2,8980")});
}

TEST_F(TunerTest, StepsFromAHugeStoredFrequencyWrapWithoutOverflow) {
    receiver_.Send(emulator::Frame("$PLTTQ,2147483650,40,0,0,0"));
    int f = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 214748365; }));
    ASSERT_TRUE(TmcControlTuner(TmcStepUp, 0));
    EXPECT_EQ(Sent(), Lines{emulator::Frame("$PLTCM,H2,-2147483636")}) << "(214748365 + 1) * 10 modulo 2^32";
}

TEST_F(TunerTest, SearchesSendTheParameterOnlyWhenItChanges) {
    ASSERT_TRUE(TmcControlTuner(TmcSeekUpF502, 0));
    EXPECT_EQ(Sent(), (Lines{"$PLTCM,A3*18\r\n", "$PLTCM,+*41\r\n"})) << "502 is set by the open";
    ASSERT_TRUE(TmcControlTuner(TmcSeekUpF470, 0));
    EXPECT_EQ(Sent(), (Lines{"$PLTCM,F,470*33\r\n", "$PLTCM,A3*18\r\n", "$PLTCM,+*41\r\n"}));
    ASSERT_TRUE(TmcControlTuner(TmcSeekDownF470, 0));
    EXPECT_EQ(Sent(), (Lines{"$PLTCM,A3*18\r\n", "$PLTCM,-*47\r\n"}));
    ASSERT_TRUE(TmcControlTuner(TmcSeekDown, 0));
    EXPECT_EQ(Sent(), (Lines{"$PLTCM,A3*18\r\n", "$PLTCM,-*47\r\n"}));
    ASSERT_TRUE(TmcControlTuner(TmcModeA1, 0));
    EXPECT_EQ(Sent(), Lines{"$PLTCM,A1*1A\r\n"});
}

TEST_F(TunerTest, TheNextReportCarriesTheTunerMode) {
    test::FrequencyRecorder freq;
    Connect(&freq);
    ASSERT_TRUE(TmcControlTuner(TmcSeekUp, 0));
    receiver_.Send(TuningSentence(9120, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return freq.Events().size() == 1; }));
    EXPECT_EQ(freq.Events()[0].tunerMode, 0) << "after a receiver-driven search";
    ASSERT_TRUE(TmcControlTuner(TmcTune, 950));
    receiver_.Send(TuningSentence(9500, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return freq.Events().size() == 2; }));
    EXPECT_EQ(freq.Events()[1].tunerMode, 1) << "after a direct tune";
}

TEST_F(TunerTest, SentencesFromTwoThreadsAreWholeAndSpaced) {
    std::thread a([] {
        for (int i = 0; i < 3; ++i) TmcControlTuner(TmcTune, 900 + i);
    });
    std::thread b([] {
        for (int i = 0; i < 3; ++i) TmcSendCommand("$PLTCM,A1");
    });
    a.join();
    b.join();
    const auto lines = receiver_.Received();
    ASSERT_EQ(lines.size(), 6u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].text == "$PLTCM,A1*1A\r\n" || lines[i].text.rfind("$PLTCM,H2,90", 0) == 0)
            << lines[i].text;
        if (i > 0) {
            EXPECT_GE(lines[i].at - lines[i - 1].at, 140ms);
        }
    }
}

TEST_F(TunerTest, BadCommandsSendNothing) {
    EXPECT_FALSE(TmcControlTuner(static_cast<TmcControlCmd>(10), 0));
    EXPECT_FALSE(TmcControlTuner(static_cast<TmcControlCmd>(-1), 0));
    EXPECT_FALSE(TmcSendCommand(std::string(251, 'A').c_str())) << "cannot be framed in 256 bytes";
    EXPECT_FALSE(TmcSendCommand("$PLTCM,\xC3\xA9")) << "not ASCII";
    EXPECT_TRUE(TmcSendCommand(("$" + std::string(249, 'A')).c_str()));
    const auto lines = Sent();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 255u);
}

TEST_F(TunerTest, PassThroughFramesTheCommand) {
    ASSERT_TRUE(TmcSendCommand("$PLTCM,RFA,1"));
    ASSERT_TRUE(TmcSendCommand(test::W(u"$PLTCM,A3")));
    EXPECT_EQ(Sent(), (Lines{emulator::Frame("$PLTCM,RFA,1"), "$PLTCM,A3*18\r\n"}));
}

TEST_F(TunerTest, WithoutAPortNothingIsSent) {
    ASSERT_TRUE(TmcClose());
    EXPECT_FALSE(TmcControlTuner(TmcTune, 1000));
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1"));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TunerTest, AFailedWriteIsReportedAndLeavesTheModeAsItWas) {
    ASSERT_TRUE(TmcControlTuner(TmcSeekUp, 0));
    ASSERT_EQ(test::TunerMode(), 0);
    receiver_.Hangup();
    EXPECT_FALSE(TmcControlTuner(TmcTune, 1000));
    EXPECT_EQ(test::TunerMode(), 0);
    EXPECT_FALSE(TmcControlTuner(TmcSeekUpF470, 0));
    EXPECT_EQ(test::SeekParameter(), 470) << "stored before the send, kept when it fails";
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1")) << "the truth, not 'always true'";
}

}  // namespace
}  // namespace rdstmc
