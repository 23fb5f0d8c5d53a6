#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "data/receiver_state.h"
#include "receiver_emulator.h"
#include "record/replay.h"
#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using emulator::TuningSentence;

// Frequency reports stamped with their arrival, to see batch timing.
class TimedFrequencies : public ITmcFrequencyListener {
public:
    ~TimedFrequencies() override { test::DisconnectIfConnected(this); }
    void OnFrequencyChanged(int frequency, int, unsigned char) override {
        std::lock_guard<std::mutex> g(mutex_);
        seen_.push_back({frequency, Clock::now()});
    }
    struct Seen {
        int frequency;
        Clock::time_point at;
    };
    std::vector<Seen> Seen_() const {
        std::lock_guard<std::mutex> g(mutex_);
        return seen_;
    }
    size_t Count() const { return Seen_().size(); }

private:
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
};

std::string Record(long long stamp, const std::string& sentence) {
    return "[" + std::to_string(stamp) + "]," + sentence;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        Connect(&freq_);
        Connect(&status_);
    }
    void TearDown() override {
        TmcStopSimulation();
        TmcClose();
        TmcStopLogging();
        test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }, 3000ms);
        test::DisconnectAll();
    }
    // A replay shorter than a worker tick never leaves TmcStatusStopped, so
    // its end shows in the run flag and the status, not in a notification.
    static bool WaitForReplayEnd(std::chrono::milliseconds timeout) {
        return test::WaitUntil(
            [] {
                int f;
                return !TmcGetTunerFrequency(f) && TmcGetStatus() == TmcStatusStopped;
            }, timeout);
    }
    bool Play(const std::string& content) {
        test::WriteFile(path_, content);
        started_ = Clock::now();
        return TmcStartSimulation(path_.c_str());
    }
    test::TempDir dir_;
    std::string path_ = dir_.File("recording.log");
    TimedFrequencies freq_;
    test::StatusRecorder status_;
    Clock::time_point started_;
};

// How a recording is cut into batches, followed through the replay's own
// walk with a pause that only marks where a batch ends: no wall clock.
std::vector<std::vector<int>> Batches(const std::string& content) {
    struct Walk {
        std::string content;
        size_t at = 0;
        std::vector<std::vector<int>> batches{{}};
    } walk{content};
    const auto read = [](void* context, char* buffer, size_t capacity) -> long {
        Walk& w = *static_cast<Walk*>(context);
        const size_t n = std::min(capacity, w.content.size() - w.at);
        std::memcpy(buffer, w.content.data() + w.at, n);
        w.at += n;
        return static_cast<long>(n);
    };
    const auto pause = [](void* context, unsigned) { static_cast<Walk*>(context)->batches.emplace_back(); };
    const auto sink = [](void* context, uint32_t, char* sentence, char*) {
        // Each test sentence is a tuning report: its frequency names it.
        static_cast<Walk*>(context)->batches.back().push_back(std::atoi(sentence + 7) / 10);
    };
    std::atomic<bool> running{true};
    PlayRecording(read, pause, &walk, running, sink, &walk);
    walk.batches.pop_back();  // after the last batch's pause
    return walk.batches;
}

using BatchList = std::vector<std::vector<int>>;

TEST(ReplayBatches, RecordsWithinASecondOfTheFirstFormOneBatchAndAnyLongerPauseIsOne) {
    EXPECT_EQ(Batches(Record(1000, TuningSentence(9000, 1)) + Record(1500, TuningSentence(9100, 1)) +
                      Record(2100, TuningSentence(9200, 1))),
              (BatchList{{900, 910}, {920}}));
    EXPECT_EQ(Batches(Record(0, TuningSentence(9000, 1)) + Record(60000, TuningSentence(9100, 1))),
              (BatchList{{900}, {910}}))
        << "a minute of silence is one pause";
}

TEST(ReplayBatches, StampsAcrossTwoToThe31AndTwoToThe32KeepTheirBatches) {
    // 2147483000 and 2147483500 share a batch; 2147484100 is logged as its
    // signed form and opens the next.
    EXPECT_EQ(Batches(Record(2147483000LL, TuningSentence(9000, 1)) + Record(2147483500LL, TuningSentence(9100, 1)) +
                      Record(2147484100LL - 4294967296LL, TuningSentence(9200, 1))),
              (BatchList{{900, 910}, {920}}));
    EXPECT_EQ(Batches(Record(-500, TuningSentence(9000, 1)) + Record(-100, TuningSentence(9100, 1)) +
                      Record(304, TuningSentence(9200, 1)) + Record(1000, TuningSentence(9300, 1))),
              (BatchList{{900, 910, 920}, {930}}))
        << "-500 to 304 is 804 ms";
}

TEST(ReplayBatches, ABatchLongerThanTheBufferIsNotStretched) {
    // Eighty records within 800 ms fill the 1024-byte buffer several times.
    std::string content;
    std::vector<int> first;
    for (int i = 0; i < 80; ++i) {
        content += Record(10 * i, TuningSentence(8800 + 10 * i, 1));
        first.push_back(880 + i);
    }
    ASSERT_GT(content.size(), 2 * kReplayBufferSize);
    content += Record(5000, TuningSentence(10000, 1));
    EXPECT_EQ(Batches(content), (BatchList{first, {1000}})) << "refills continue the batch, no pause between";
}

// The library's own replay pauses its second between batches.
TEST_F(ReplayTest, TheLibrarysReplayPausesBetweenBatches) {
    ASSERT_TRUE(Play(Record(1000, TuningSentence(9000, 1)) + Record(1500, TuningSentence(9100, 1)) +
                     Record(2100, TuningSentence(9200, 1))));
    ASSERT_TRUE(test::WaitUntil([&] { return freq_.Count() == 3; }, 4000ms));
    const auto seen = freq_.Seen_();
    // A lower bound only: a slow machine can make the pause longer, never shorter.
    EXPECT_GT(Seconds(seen[2].at - seen[1].at), 0.7) << "2100 opens the next batch, a second later";
}

TEST_F(ReplayTest, LinesWithoutStampOrSentenceAreSkipped) {
    ASSERT_TRUE(Play("no stamp " + TuningSentence(9000, 1) + "[5],no sentence\r\n" + Record(7, "x[8]") +
                     TuningSentence(9050, 1) + "[9],$PLT[10]\n" + Record(10, TuningSentence(9100, 1))));
    ASSERT_TRUE(WaitForReplayEnd(4000ms));
    ASSERT_EQ(freq_.Count(), 2u);
    EXPECT_EQ(freq_.Seen_()[0].frequency, 905) << "the last '[' of a line holds the stamp";
    EXPECT_EQ(freq_.Seen_()[1].frequency, 910);
}

TEST_F(ReplayTest, ALineLongerThanTheBufferEndsTheReplay) {
    ASSERT_TRUE(Play(Record(0, TuningSentence(9000, 1)) + "[1]," + std::string(1500, 'x') + "\n" +
                     Record(2, TuningSentence(9100, 1))));
    ASSERT_TRUE(WaitForReplayEnd(5000ms));
    EXPECT_EQ(freq_.Count(), 1u);
    EXPECT_FALSE(TmcStopSimulation()) << "it ended by itself";
}

TEST_F(ReplayTest, StartRefusesWhatCannotBePlayed) {
    EXPECT_FALSE(TmcStartSimulation(dir_.File("missing.log").c_str()));
    test::WriteFile(dir_.File("empty.log"), "");
    EXPECT_FALSE(TmcStartSimulation(dir_.File("empty.log").c_str()));
    EXPECT_FALSE(TmcStopSimulation());

    emulator::ReceiverEmulator receiver;
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 9600));
    test::WriteFile(path_, Record(0, TuningSentence(9000, 1)));
    EXPECT_FALSE(TmcStartSimulation(path_.c_str())) << "a port is open";
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(TmcStartSimulation(path_.c_str()));
    EXPECT_FALSE(TmcStartSimulation(path_.c_str())) << "already replaying";
    EXPECT_FALSE(TmcOpen(receiver.DevicePath().c_str(), 9600)) << "no reader beside a replay";
    EXPECT_FALSE(TmcControlTuner(TmcTune, 1000)) << "no tuner during a replay";
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1"));
}

TEST_F(ReplayTest, TheEndOfTheFileStopsEverything) {
    ASSERT_TRUE(Play(Record(0, TuningSentence(9000, 1)) + Record(5, emulator::StationSentence("REPLAYED"))));
    int f = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 900; }));
    ASSERT_TRUE(WaitForReplayEnd(4000ms));
    EXPECT_FALSE(TmcGetTunerFrequency(f)) << "the replay has ended: no query answers";
    EXPECT_FALSE(TmcStopSimulation());
}

TEST_F(ReplayTest, StopThenStartNeverLeavesTheOldWorkersRunning) {
    std::string content;
    for (int i = 0; i < 30; ++i) content += Record(1000 * i, TuningSentence(9000 + 10 * i, 1));
    test::WriteFile(path_, content);
    // The count with one run going (a sanitizer may add a thread of its own
    // on the first start, so the baseline is taken here).
    ASSERT_TRUE(TmcStartSimulation(path_.c_str()));
    const int threads = test::ThreadCount();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(TmcStopSimulation()) << i;
        ASSERT_TRUE(TmcStartSimulation(path_.c_str())) << i;
    }
    EXPECT_LE(test::ThreadCount(), threads) << "one replay worker and one status worker, never more";
    const auto stopped = Clock::now();
    ASSERT_TRUE(TmcStopSimulation());
    ASSERT_TRUE(WaitForReplayEnd(2000ms));
    // Below the one-second pause they would otherwise finish, on every tree.
    EXPECT_LT(Clock::now() - stopped, 900ms) << "the workers are woken from their pause";
}

TEST_F(ReplayTest, ReplayedSentencesAreNeverLogged) {
    ASSERT_TRUE(TmcStartLogging(dir_.File("live.log").c_str()));
    ASSERT_TRUE(Play(Record(0, TuningSentence(9000, 1))));
    ASSERT_TRUE(WaitForReplayEnd(4000ms));
    EXPECT_EQ(freq_.Count(), 1u);
    EXPECT_TRUE(test::ReadFile(dir_.File("live.log")).empty());
}

TEST_F(ReplayTest, AFileThatCannotBeOpenedForWritingIsNotReplayed) {
    test::WriteFile(path_, Record(0, TuningSentence(9000, 1)));
    chmod(dir_.Path().c_str(), 0755);
    chmod(path_.c_str(), 0444);
    // Root may write anything, so the check runs as an unprivileged user in a
    // child process (forked before this test starts any thread).
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        _exit(TmcStartSimulation(path_.c_str()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "read-only: refused";
}

// Records a live run through the pseudo-terminal, replays its log, and
// compares everything the client can see.
struct Observed {
    std::vector<int> frequencies;
    std::vector<std::string> texts, stations;
    std::vector<std::vector<int>> afLists;
    std::vector<std::pair<unsigned, unsigned>> raw;
    size_t times = 0;
    int frequency = 0, health = 0, af[25] = {};
    unsigned long pi = 0;
    std::string name, text;
    TmcRdsTime time = {};
};

Observed Observe(const TimedFrequencies& f, const test::RdsRecorder& rds, const test::RawRecorder& raw) {
    Observed o;
    for (const auto& s : f.Seen_()) o.frequencies.push_back(s.frequency);
    o.texts = rds.RadioTexts();
    for (const auto& s : rds.Stations()) o.stations.push_back(std::to_string(s.first) + ":" + s.second);
    o.afLists = rds.AfLists();
    o.raw = raw.Groups();
    o.times = rds.Times().size();
    unsigned short name[9], text[65];
    EXPECT_TRUE(TmcGetTunerFrequency(o.frequency));
    EXPECT_TRUE(TmcGetRdsHealth(o.health));
    EXPECT_TRUE(TmcGetRdsAF(o.af));
    EXPECT_TRUE(TmcGetRdsStation(o.pi, name, 9));
    EXPECT_TRUE(TmcGetRadioText(text, 65));
    EXPECT_TRUE(TmcGetRdsTime(o.time));
    o.name = test::Narrow(name);
    o.text = test::Narrow(text);
    return o;
}

TEST_F(ReplayTest, ALiveRunAndItsReplayLookTheSame) {
    using emulator::GroupSentence;
    const std::string broadcast =
        TuningSentence(9690, 50) + GroupSentence(25089, 0, 0xE0CD, 0) + emulator::StationSentence("JACK FM ") +
        GroupSentence(25089, 247, 59140, 21321) + GroupSentence(25089, 240, 8727, 22860) +
        GroupSentence(25089, 241, 4409, 17696) + GroupSentence(25089, 242, 2580, 22859) +
        GroupSentence(51540, 9456, 19009, 17227) + GroupSentence(51540, 9457, 8249, 13870) +
        GroupSentence(51540, 9458, 14605, 0) + GroupSentence(54036, 16833, 50159, 23236) +
        GroupSentence(25089, 0x8000, 0x1234, 0x5678) + emulator::TuningSentence(9690, 44);
    test::RdsRecorder rds;
    test::RawRecorder raw;
    Connect(&rds);
    Connect(&raw);
    Observed live;
    {
        emulator::ReceiverEmulator receiver;
        ASSERT_TRUE(TmcStartLogging(path_.c_str()));
        ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 115200));
        ASSERT_TRUE(receiver.Send(broadcast));
        ASSERT_TRUE(test::WaitUntil([&] { return raw.Groups().size() == 2 && rds.Times().size() == 1; }));
        ASSERT_TRUE(test::WaitUntil([&] {
            int h = 0;
            return TmcGetRdsHealth(h) && h == 8;
        }));
        live = Observe(freq_, rds, raw);
        ASSERT_TRUE(TmcClose());
        ASSERT_TRUE(TmcStopLogging());
    }
    TimedFrequencies replayFreq;
    test::RdsRecorder replayRds;
    test::RawRecorder replayRaw;
    Connect(&replayFreq);
    Connect(&replayRds);
    Connect(&replayRaw);
    ASSERT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    ASSERT_TRUE(TmcStartSimulation(path_.c_str()));
    ASSERT_TRUE(test::WaitUntil([&] { return replayRds.Times().size() == 1 && replayFreq.Count() == 1; }));
    // The last record must have been dispatched too before comparing.
    ASSERT_TRUE(test::WaitUntil([&] {
        int h = 0;
        return TmcGetRdsHealth(h) && h == 8;
    }));
    const Observed replayed = Observe(replayFreq, replayRds, replayRaw);
    EXPECT_EQ(replayed.frequencies, live.frequencies);
    EXPECT_EQ(replayed.texts, live.texts);
    EXPECT_EQ(replayed.stations, live.stations);
    EXPECT_EQ(replayed.afLists, live.afLists);
    EXPECT_EQ(replayed.raw, live.raw);
    EXPECT_EQ(replayed.times, live.times);
    EXPECT_EQ(replayed.frequency, live.frequency);
    EXPECT_EQ(replayed.health, live.health);
    EXPECT_EQ(std::vector<int>(replayed.af, replayed.af + 25), std::vector<int>(live.af, live.af + 25));
    EXPECT_EQ(replayed.pi, live.pi);
    EXPECT_EQ(replayed.name, live.name);
    EXPECT_EQ(replayed.text, live.text);
    EXPECT_EQ(replayed.time.year * 10000 + replayed.time.month * 100 + replayed.time.day, 20170404);
    EXPECT_EQ(replayed.time.minute, live.time.minute);
}

// The line walker on its own, without a worker or files.
struct Walked {
    std::vector<std::string> sentences;
};

void CollectSentence(void* context, uint32_t, char* sentence, char* end) {
    static_cast<Walked*>(context)->sentences.emplace_back(sentence, end);
}

TEST(ReplayBatch, StopsAtTheNextBatchAndAtAnUnfinishedLine) {
    std::string data = "[100],$A\n[600],$B\r\n[1100],$C\n[1200],$D";
    char* cursor = &data[0];
    char* end = cursor + data.size();
    bool needMore = false;
    ReplayBatchState batch;
    std::atomic<bool> running{true};
    Walked w;
    ReplayBatch(cursor, end, needMore, batch, running, CollectSentence, &w);
    EXPECT_EQ(w.sentences, (std::vector<std::string>{"$A\n", "$B\r\n"}));
    EXPECT_FALSE(needMore);
    EXPECT_EQ(std::string(cursor, end), "[1100],$C\n[1200],$D");
    ReplayBatch(cursor, end, needMore, batch, running, CollectSentence, &w);
    EXPECT_TRUE(needMore);
    EXPECT_EQ(std::string(cursor, end), "[1200],$D") << "the unfinished line waits for a refill";
    EXPECT_TRUE(batch.open) << "and the batch goes on after it";
    EXPECT_EQ(batch.base, 1100u);
    running = false;
    std::string rest = "[1200],$D\n";
    cursor = &rest[0];
    ReplayBatch(cursor, cursor + rest.size(), needMore, batch, running, CollectSentence, &w);
    EXPECT_EQ(w.sentences.size(), 3u) << "nothing is walked once the replay is stopped";
}

}  // namespace
}  // namespace rdstmc
