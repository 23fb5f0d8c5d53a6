// Every decoder and listener operation, end to end through a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "receiver_emulator.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::GroupSentence;

class ReceiverDataEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        Connect(&freq_);
        Connect(&rds_);
        Connect(&raw_);
        ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 115200));
    }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    emulator::ReceiverEmulator receiver_;
    test::FrequencyRecorder freq_;
    test::RdsRecorder rds_;
    test::RawRecorder raw_;
};

TEST_F(ReceiverDataEndToEnd, AStationsBroadcastReachesEveryQueryAndListener) {
    std::string s;
    s += emulator::TuningSentence(9690, 50);
    s += emulator::StationSentence("JACK FM ");
    s += GroupSentence(25089, 247, 59140, 21321) + GroupSentence(25089, 240, 8727, 22860) +
         GroupSentence(25089, 241, 4409, 17696) + GroupSentence(25089, 242, 2580, 22859);
    s += GroupSentence(51540, 9456, 19009, 17227) + GroupSentence(51540, 9457, 8249, 13870) +
         GroupSentence(51540, 9458, 14605, 0);
    s += GroupSentence(54036, 16833, 50159, 23236);
    s += GroupSentence(25089, 0x8000 | 0x0A, 0x1234, 0x5678);
    ASSERT_TRUE(receiver_.Send(s));

    ASSERT_TRUE(test::WaitUntil([&] { return !raw_.Groups().empty() && rds_.Times().size() == 1; }));
    ASSERT_EQ(freq_.Events().size(), 1u);
    EXPECT_EQ(freq_.Events()[0].frequency, 969);
    EXPECT_EQ(freq_.Events()[0].quality, 50);
    EXPECT_EQ(freq_.Events()[0].tunerMode, 1);
    ASSERT_EQ(rds_.Stations().size(), 1u);
    EXPECT_EQ(rds_.Stations()[0].second, "JACK FM ");
    EXPECT_EQ(rds_.RadioTexts(), std::vector<std::string>{"JACK 96.9"});
    ASSERT_EQ(rds_.AfLists().size(), 1u);
    EXPECT_EQ(rds_.AfLists()[0][6], 895);
    // 4A and 8A both reach the raw listener.
    ASSERT_EQ(raw_.Groups().size(), 2u);
    EXPECT_EQ(raw_.Groups()[1], std::make_pair((25089u << 16) | 0x800Au, 0x12345678u));

    int f = 0, h = 0, af[25];
    unsigned long pi = 0;
    unsigned short name[9], text[65];
    TmcRdsTime t{};
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    ASSERT_TRUE(TmcGetRdsHealth(h));
    ASSERT_TRUE(TmcGetRdsAF(af));
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    ASSERT_TRUE(TmcGetRadioText(text, 65));
    ASSERT_TRUE(TmcGetRdsTime(t));
    EXPECT_EQ(f, 969);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(af[0], 879);
    EXPECT_EQ(pi, 25089u);
    EXPECT_EQ(test::Narrow(name), "JACK FM ");
    EXPECT_EQ(test::Narrow(text), "JACK 96.9");
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20170404);

    // After close the queries answer nothing, and leave their arguments be.
    ASSERT_TRUE(TmcClose());
    f = -7;
    EXPECT_FALSE(TmcGetTunerFrequency(f));
    EXPECT_EQ(f, -7);
    EXPECT_FALSE(TmcGetRdsTime(t));
}

TEST_F(ReceiverDataEndToEnd, OpenClearsThePublishedDataButKeepsTheQualityRing) {
    receiver_.Send(emulator::TuningSentence(9690, 50) + emulator::StationSentence("JACK FM "));
    ASSERT_TRUE(test::WaitUntil([&] { return rds_.Stations().size() == 1; }));
    ASSERT_TRUE(TmcReopen());
    int f = -1, h = -1;
    unsigned long pi = 1;
    unsigned short name[9] = {'x', 0};
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    ASSERT_TRUE(TmcGetRdsHealth(h));
    EXPECT_EQ(f, 0);
    EXPECT_EQ(name[0], 0);
    EXPECT_EQ(h, 9) << "the previous connection's samples";
    receiver_.Send(emulator::TuningSentence(9690, 50));
    EXPECT_TRUE(test::WaitUntil([&] { return freq_.Events().size() == 2; }))
        << "the zero-filled frequency makes the first report a change";
}

}  // namespace
}  // namespace rdstmc

namespace rdstmc {
namespace {

TEST(ReceiverDataFlow, ListenersComeAndGoWhileDataFlows) {
    emulator::ReceiverEmulator receiver;
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 230400));
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        for (unsigned n = 0; !stop; ++n) {
            receiver.Send(emulator::TuningSentence(8800 + 10 * static_cast<int>(n % 200), 40) +
                          GroupSentence(0x6201, 0x0000, 0xE0CD, 0x4E44) +
                          GroupSentence(0x6201, 0x8000, n & 0xFFFF, 1) +
                          GroupSentence(0x6201, 0x2000 | (n & 0xF), 0x4142, 0x0D00) +
                          emulator::StationSentence("FLOWING "));
            std::this_thread::sleep_for(2ms);
        }
    });
    std::thread querier([&] {
        int f, h, af[25];
        unsigned long pi;
        unsigned short name[9], text[65];
        TmcRdsTime t;
        while (!stop) {
            TmcGetTunerFrequency(f);
            TmcGetRdsHealth(h);
            TmcGetRdsAF(af);
            TmcGetRdsStation(pi, name, 9);
            TmcGetRadioText(text, 65);
            TmcGetRdsTime(t);
            TmcGetStatus();
        }
    });
    size_t heard = 0, foreign = 0;
    for (int i = 0; i < 200; ++i) {
        // Each listener lives only for its turn; once Disconnect returns it is gone.
        test::FrequencyRecorder freq;
        test::RdsRecorder rds;
        test::RawRecorder raw;
        Connect(&freq);
        Connect(&rds);
        Connect(&raw);
        std::this_thread::sleep_for(1ms);
        Disconnect(&freq);
        Disconnect(&rds);
        Disconnect(&raw);
        heard += freq.Events().size() + rds.Stations().size() + raw.Groups().size();
        // Whatever a listener heard is exactly what was sent, never torn.
        for (const auto& e : freq.Events()) foreign += e.frequency < 880 || e.frequency > 1079 || e.quality != 40;
        for (const auto& st : rds.Stations()) foreign += st != std::make_pair(0x6201, std::string("FLOWING "));
        for (const auto& g : raw.Groups()) foreign += g.first != 0x62018000u || (g.second & 0xFFFF) != 1;
    }
    stop = true;
    sender.join();
    querier.join();
    EXPECT_GT(heard, 0u) << "the listeners did hear the flow";
    EXPECT_EQ(foreign, 0u);
    unsigned long pi = 0;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(pi, 0x6201u);
    EXPECT_EQ(test::Narrow(name), "FLOWING ");
    unsigned short text[65];
    ASSERT_TRUE(TmcGetRadioText(text, 65));
    EXPECT_EQ(test::Narrow(text), "AB") << "each segment carries \"AB\" and a carriage return";
    EXPECT_TRUE(TmcClose());
}

}  // namespace
}  // namespace rdstmc
