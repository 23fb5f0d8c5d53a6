// The feed: bytes a program received itself go through the library exactly
// as bytes read from a port, and the library's commands come back to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "rdstmc_ext.h"
#include "receiver_emulator.h"
#include "recording.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

// Every data notification, in order, as one line each.
class Transcript final : public ITmcFrequencyListener,
                         public ITmcRdsListener,
                         public ITmcRawDataListener {
public:
    Transcript() {
        Connect(static_cast<ITmcFrequencyListener*>(this));
        Connect(static_cast<ITmcRdsListener*>(this));
        Connect(static_cast<ITmcRawDataListener*>(this));
    }
    ~Transcript() override { test::DisconnectAll(); }
    void OnFrequencyChanged(int f, int q, unsigned char mode) override {
        Add("f " + std::to_string(f) + " " + std::to_string(q) + " " + std::to_string(mode));
    }
    void OnRadioText(const unsigned short* t) override { Add("rt " + test::Narrow(t)); }
    void OnRdsTime(const TmcRdsTime& t) override { Add("time " + std::to_string(t.hour) + ":" + std::to_string(t.minute)); }
    void OnStationName(int pi, const unsigned short* n) override { Add("ps " + std::to_string(pi) + " " + test::Narrow(n)); }
    void OnAlternativeFrequencies(const int* l) override { Add("af " + std::to_string(l[0]) + " " + std::to_string(l[1])); }
    void OnRawData(const unsigned& a, const unsigned& b) override { Add("raw " + std::to_string(a) + " " + std::to_string(b)); }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return lines_;
    }

private:
    void Add(const std::string& line) {
        std::lock_guard<std::mutex> guard(mutex_);
        lines_.push_back(line);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// The bundled station's sentences, with line noise and a corrupted sentence.
std::string StationBytes() {
    std::vector<emulator::RecordedSentence> recording;
    std::string error;
    EXPECT_TRUE(emulator::ReadRecording(RDSTMC_BUNDLED_RECORDING_PATH, recording, error)) << error;
    std::string bytes = "\x00\xFFnoise";
    for (size_t i = 0; i < recording.size(); ++i) {
        bytes += recording[i].sentence;
        if (i == 7) bytes += emulator::FrameWithBadChecksum("$PLTTQ,9000,40,0,0,0");
    }
    // The last: a frequency nothing else tunes to, so a reader knows it has all.
    return bytes + emulator::TuningSentence(10790, 1);
}

struct Written {
    std::mutex mutex;
    std::vector<std::string> sentences;
    static bool Write(void* context, const char* bytes, unsigned length) {
        Written* w = static_cast<Written*>(context);
        std::lock_guard<std::mutex> guard(w->mutex);
        w->sentences.emplace_back(bytes, length);
        return true;
    }
};

class FeedTest : public ::testing::Test {
protected:
    void TearDown() override {
        TmcClose();
        TmcStopSimulation();
        test::DisconnectAll();
    }
};

TEST_F(FeedTest, BytesFedInAnyChunksGiveWhatThePortGives) {
    const std::string bytes = StationBytes();
    std::vector<std::string> viaPort;
    {
        Transcript port;
        emulator::ReceiverEmulator receiver;
        ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 115200));
        ASSERT_TRUE(receiver.Send(bytes));
        ASSERT_TRUE(test::WaitUntil([&] { return !port.Lines().empty() && port.Lines().back() == "f 1079 1 1"; }));
        ASSERT_TRUE(TmcClose());
        viaPort = port.Lines();
    }
    std::mt19937 random(20261209);
    for (int round = 0; round < 3; ++round) {
        Transcript fed;
        Written commands;  // as on the port, the module is tuned first
        ASSERT_TRUE(TmcOpenFeed(&Written::Write, &commands));
        for (size_t at = 0; at < bytes.size();) {
            const size_t piece = std::min(bytes.size() - at, size_t{1} + random() % (round == 0 ? 3 : 2000));
            ASSERT_TRUE(TmcFeed(bytes.data() + at, piece));
            at += piece;
        }
        EXPECT_EQ(fed.Lines(), viaPort) << "round " << round;
        unsigned tick = 0;
        EXPECT_TRUE(TmcGetSentenceTick(tick));
        ASSERT_TRUE(TmcClose());
        EXPECT_FALSE(TmcFeed("$", 1)) << "a closed feed takes nothing";
    }
}

TEST_F(FeedTest, CommandsGoToTheWriteFunctionAndWithoutOneNothingIsSent) {
    Written w;
    ASSERT_TRUE(TmcOpenFeed(&Written::Write, &w));
    EXPECT_TRUE(TmcIsOpen());
    EXPECT_EQ(TmcGetStatus(), TmcStatusNoRds);
    EXPECT_TRUE(TmcControlTuner(TmcTune, 1000));
    EXPECT_TRUE(TmcSendCommand("$PLTCM,A1"));
    {
        std::lock_guard<std::mutex> guard(w.mutex);
        EXPECT_EQ(w.sentences, (std::vector<std::string>{"$PLTCM,H2,8800*3C\r\n", "$PLTCM,RFA,65535*23\r\n",
                                                        "$PLTCM,H2,10000*0D\r\n", "$PLTCM,A1*1A\r\n"}));
    }
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(TmcOpenFeed(nullptr, nullptr));
    EXPECT_FALSE(TmcControlTuner(TmcTune, 1000));
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1"));
}

TEST_F(FeedTest, AFeedAPortAndAReplayRefuseEachOther) {
    emulator::ReceiverEmulator receiver;
    test::TempDir dir;
    const std::string log = dir.File("r.log");
    test::WriteFile(log, "[0]," + emulator::TuningSentence(9000, 40));

    ASSERT_TRUE(TmcOpenFeed(nullptr, nullptr));
    EXPECT_FALSE(TmcOpenFeed(nullptr, nullptr));
    EXPECT_FALSE(TmcOpen(receiver.DevicePath().c_str(), 9600));
    EXPECT_FALSE(TmcStartSimulation(log.c_str()));
    EXPECT_FALSE(TmcReopen()) << "a feed has no device to open again";
    EXPECT_TRUE(TmcIsOpen()) << "and stays open";
    ASSERT_TRUE(TmcClose());
    EXPECT_FALSE(TmcIsOpen());

    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 9600));
    EXPECT_FALSE(TmcOpenFeed(nullptr, nullptr));
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(TmcStartSimulation(log.c_str()));
    EXPECT_FALSE(TmcOpenFeed(nullptr, nullptr));
    ASSERT_TRUE(TmcStopSimulation());
    ASSERT_TRUE(test::WaitUntil([] { return TmcOpenFeed(nullptr, nullptr); })) << "free again once the replay ended";
}

}  // namespace
}  // namespace rdstmc

namespace rdstmc {
namespace {

// The bundled recording's groups handed over as groups give every listener
// and query what their "$PLTTR" sentences give.
TEST(FeedGroups, GroupsGiveWhatTheirSentencesGive) {
    std::vector<emulator::RecordedSentence> recording;
    std::string error;
    ASSERT_TRUE(emulator::ReadRecording(RDSTMC_BUNDLED_RECORDING_PATH, recording, error)) << error;
    struct Heard {
        std::vector<std::string> lines;
        std::u16string text;
        int af[25];
    };
    const auto play = [&](bool asGroups) {
        Heard heard{};
        Transcript transcript;
        EXPECT_TRUE(TmcOpenFeed(nullptr, nullptr));
        for (const emulator::RecordedSentence& r : recording) {
            TmcRdsGroup g;
            if (std::sscanf(r.sentence.c_str(), "$PLTTR,%*d,%hu,%hu,%hu,%hu", &g.blocks[0], &g.blocks[1],
                            &g.blocks[2], &g.blocks[3]) != 4) {
                continue;
            }
            EXPECT_TRUE(asGroups ? TmcFeedGroup(g, static_cast<unsigned>(r.stamp))
                                 : TmcFeed(r.sentence.data(), r.sentence.size()));
        }
        heard.lines = transcript.Lines();
        unsigned short text[80] = {};
        EXPECT_TRUE(TmcGetRadioText(text, 80));
        heard.text = std::u16string(text, text + std::char_traits<char16_t>::length(reinterpret_cast<char16_t*>(text)));
        EXPECT_TRUE(TmcGetRdsAF(heard.af));
        EXPECT_TRUE(TmcClose());
        return heard;
    };
    const Heard sentences = play(false), groups = play(true);
    EXPECT_GT(sentences.lines.size(), 20u);
    EXPECT_EQ(groups.lines, sentences.lines);
    EXPECT_EQ(groups.text, sentences.text);
    EXPECT_TRUE(std::equal(groups.af, groups.af + 25, sentences.af));
}

}  // namespace
}  // namespace rdstmc
