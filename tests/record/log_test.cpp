#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <regex>
#include <thread>

#include "support/seams.h"
#include "platform/clock.h"
#include "data/receiver_state.h"
#include "receiver_emulator.h"
#include "record/sentence_log.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::Frame;

// Splits a log into its records, checking each one's "[tick]," stamp.
std::vector<std::string> Sentences(const std::string& log, std::vector<long long>* ticks = nullptr) {
    std::vector<std::string> out;
    const std::regex record(R"(\[(-?[0-9]+)\],(\$[^\n]*\n))");
    for (std::sregex_iterator it(log.begin(), log.end(), record), end; it != end; ++it) {
        out.push_back((*it)[2]);
        if (ticks) ticks->push_back(std::stoll((*it)[1]));
    }
    return out;
}

class LogTest : public ::testing::Test {
protected:
    void TearDown() override {
        TmcStopLogging();
        TmcClose();
        platform::SetTickOffsetForTesting(0);
    }
    bool WaitForRecords(size_t n) {
        return test::WaitUntil([&] { return Sentences(test::ReadFile(path_)).size() >= n; });
    }
    emulator::ReceiverEmulator receiver_;
    test::TempDir dir_;
    std::string path_ = dir_.File("sentences.log");
};

TEST_F(LogTest, EveryValidSentenceIsRecordedByteForByte) {
    ASSERT_TRUE(TmcStartLogging(path_.c_str()));
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    const std::string tq = emulator::TuningSentence(9690, 40);
    const std::string unknown = Frame("$PLTXY,1,2,3");
    const std::string unhandled = Frame("$PLTRD,7");
    const std::string bare = "$PLTTS,1,2*" + Frame("$PLTTS,1,2").substr(11, 2) + "\n";  // no CR
    receiver_.Send("noise" + tq + emulator::FrameWithBadChecksum("$PLTTS,1,2") + unknown + unhandled + bare);
    ASSERT_TRUE(WaitForRecords(4));
    const std::string log = test::ReadFile(path_);
    std::vector<long long> ticks;
    EXPECT_EQ(Sentences(log, &ticks), (std::vector<std::string>{tq, unknown, unhandled, bare}));
    std::string rebuilt;
    for (size_t i = 0; i < ticks.size(); ++i) {
        rebuilt += "[" + std::to_string(ticks[i]) + "]," + Sentences(log)[i];
    }
    EXPECT_EQ(rebuilt, log) << "nothing else in the file";
}

TEST_F(LogTest, LoggingOutlivesTheConnection) {
    ASSERT_TRUE(TmcStartLogging(path_.c_str()));
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    receiver_.Send(emulator::TuningSentence(9000, 1));
    ASSERT_TRUE(WaitForRecords(1));
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    receiver_.Send(emulator::TuningSentence(9100, 1));
    ASSERT_TRUE(WaitForRecords(2));
    ASSERT_TRUE(TmcStopLogging());
    receiver_.Send(emulator::TuningSentence(9200, 1));
    int f = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 920; }));
    EXPECT_EQ(Sentences(test::ReadFile(path_)).size(), 2u) << "nothing after the stop";
}

TEST_F(LogTest, StartAndStopTellWhetherTheyChangedAnything) {
    const std::string other = dir_.File("other.log");
    EXPECT_FALSE(TmcStopLogging());
    EXPECT_FALSE(TmcStartLogging(("/tmp/" + std::string(260, 'x')).c_str())) << "paths over 255 are refused";
    ASSERT_TRUE(TmcStartLogging(path_.c_str()));
    EXPECT_FALSE(TmcStartLogging(other.c_str()));
    test::Feed(emulator::TuningSentence(9000, 1));
    EXPECT_EQ(Sentences(test::ReadFile(path_)).size(), 1u) << "the second path was not taken";
    EXPECT_TRUE(test::ReadFile(other).empty());
    EXPECT_TRUE(TmcStopLogging());
    EXPECT_FALSE(TmcStopLogging());
}

TEST_F(LogTest, TheTickIsPrintedSignedPastTwoToThe31) {
    ASSERT_TRUE(TmcStartLogging(path_.c_str()));
    platform::SetTickOffsetForTesting(0x80000000u);
    test::Feed(emulator::TuningSentence(9000, 1));
    std::vector<long long> ticks;
    ASSERT_EQ(Sentences(test::ReadFile(path_), &ticks).size(), 1u);
    EXPECT_LT(ticks[0], 0);
}

TEST_F(LogTest, TheLongestLineIsNeverCut) {
    const std::string body = "$PLTTS,1,";
    const std::string longest = Frame(body + std::string(255 - body.size() - 5, '9'));
    ASSERT_EQ(longest.size(), 255u);
    char record[kLogRecordSize];
    const size_t n = FormatLogRecord(-2147483647 - 1, longest.c_str(), longest.size(), record);
    EXPECT_EQ(std::string(record, n), "[-2147483648]," + longest);
}

TEST_F(LogTest, AnUnwritableLogLosesRecordsButNothingElse) {
    const std::string missingDir = dir_.File("no");
    ASSERT_TRUE(TmcStartLogging((missingDir + "/x.log").c_str()));
    test::QueriesAvailable available;
    const uint64_t lostBefore = test::LogRecordsLost();
    test::Feed(emulator::TuningSentence(9000, 1));
    int f = 0;
    ASSERT_TRUE(TmcGetTunerFrequency(f));
    EXPECT_EQ(f, 900);
    EXPECT_EQ(test::LogRecordsLost(), lostBefore + 1) << "the lost record is counted";
    // Logging stays on: once the file can be written, records arrive again.
    ASSERT_EQ(mkdir(missingDir.c_str(), 0700), 0);
    test::Feed(emulator::TuningSentence(9100, 1));
    EXPECT_EQ(test::LoggedSentences(test::ReadFile(missingDir + "/x.log")), emulator::TuningSentence(9100, 1));
    EXPECT_EQ(test::LogRecordsLost(), lostBefore + 1);
    EXPECT_TRUE(TmcStopLogging());
}

// lsof and the like hold each open file of a process for a moment while they
// look at it, and a lock goes only with the last holder: a record written in
// that moment must still get through.
TEST_F(LogTest, ALookAtTheProcessesOpenFilesCostsNoRecordYetARealHolderKeepsTheFile) {
    ASSERT_TRUE(TmcStartLogging(path_.c_str()));
    const uint64_t lostBefore = test::LogRecordsLost();
    std::atomic<bool> looking{true};
    std::thread lister([&] {
        char target[256];
        while (looking.load()) {
            DIR* d = opendir("/proc/self/fd");
            if (d == nullptr) return;
            while (const dirent* e = readdir(d)) {
                if (readlinkat(dirfd(d), e->d_name, target, sizeof target) < 0) continue;
            }
            closedir(d);
        }
    });
    const std::string line = emulator::TuningSentence(9000, 40);
    constexpr int kRecords = 100000;
    for (int i = 0; i < kRecords; ++i) WriteLogLine(State(), line.c_str(), line.size());
    looking.store(false);
    lister.join();
    EXPECT_EQ(test::LogRecordsLost(), lostBefore);
    const std::string log = test::ReadFile(path_);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), kRecords);

    // A real holder still has the file to itself: the record is refused and counted.
    const int holder = open(path_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    WriteLogLine(State(), line.c_str(), line.size());
    close(holder);
    EXPECT_EQ(test::LogRecordsLost(), lostBefore + 1);
    EXPECT_EQ(test::ReadFile(path_).size(), log.size());
}

}  // namespace
}  // namespace rdstmc
