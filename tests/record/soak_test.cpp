// Streaming at full speed for a long while, with every client activity at
// once: afterwards the log holds every valid sentence sent, exactly once,
// byte for byte and in order, and the process is back to its resources.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

#include "support/seams.h"
#include "data/receiver_state.h"
#include "receiver_emulator.h"
#include "support/counting_listeners.h"
#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::Frame;

// Seconds of streaming; sanitizer builds run a shorter soak, and
// RDSTMC_SOAK_SECONDS in the environment sets it for repeated runs.
int SoakSeconds() {
    const char* set = std::getenv("RDSTMC_SOAK_SECONDS");
    return set != nullptr && std::atoi(set) > 0 ? std::atoi(set) : RDSTMC_SOAK_SECONDS;
}

// Characters a station name or field may hold without changing the framing.
char NameChar(std::mt19937& rng) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789-+!";
    return kChars[rng() % (sizeof kChars - 1)];
}

// A chunk of traffic: every sentence kind the receiver sends, with noise,
// broken checksums and overlong lines mixed in. `valid` gets the sentences
// that must be logged.
std::string Chunk(std::mt19937& rng, std::string& valid) {
    static const unsigned kGroupTypes[] = {0x0000, 0x2000, 0x3000, 0x4000, 0x8000, 0x1000, 0xA000};
    std::string out;
    while (out.size() < 4000) {
        std::string sentence;
        switch (rng() % 10) {
        case 0:
            sentence = emulator::TuningSentence(8750 + static_cast<int>(rng() % 2000), static_cast<int>(rng() % 70));
            break;
        case 1: {
            std::string name(8, ' ');
            for (char& c : name) c = NameChar(rng);
            sentence = emulator::StationSentence(name);
            break;
        }
        case 2:
            sentence = Frame("$PLTTS," + std::to_string(rng() % 100) + ",0");
            break;
        case 3: {
            // Broken: a wrong checksum, or noise without a sentence start.
            std::string bad = emulator::FrameWithBadChecksum("$PLTTQ,9000,40,0,0,0");
            if (rng() % 2) bad = "noise " + std::to_string(rng()) + "\r\n";
            out += bad;
            continue;
        }
        case 4:
            // Too long to be a sentence, however valid its checksum.
            out += Frame("$PLTTR,0," + std::string(300, '1'));
            continue;
        default:
            sentence = emulator::GroupSentence(0xD000 + rng() % 0x1000, kGroupTypes[rng() % 7] | (rng() % 0x800),
                                               rng() % 0x10000, rng() % 0x10000);
        }
        out += sentence;
        valid += sentence;
    }
    return out;
}

// Reads the log as it is written and compares it with what was sent, so a
// long soak needs no disk: the log is a FIFO. The library opens it by name
// for each record, as it does a file; a record (at most 270 bytes) is one
// atomic pipe write, and a slow reader makes the writer wait, so nothing
// can be lost on the way.
class LogChecker {
public:
    explicit LogChecker(const std::string& path) {
        if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
        // Held open for writing too, so reads wait between records instead
        // of seeing the end of the stream.
        fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot open the FIFO");
        reader_ = std::thread([this] { Read(); });
    }
    ~LogChecker() {
        stop_.store(true);
        reader_.join();
        close(fd_);
    }

    void Expect(const std::string& sentences) {
        std::lock_guard<std::mutex> guard(mutex_);
        expected_ += sentences;
    }
    // Bytes of sentences sent and not yet seen in the log.
    size_t Outstanding() {
        std::lock_guard<std::mutex> guard(mutex_);
        return expected_.size() - matched_;
    }
    size_t Matched() {
        std::lock_guard<std::mutex> guard(mutex_);
        return total_ + matched_;
    }
    std::string Failure() {
        std::lock_guard<std::mutex> guard(mutex_);
        return failure_;
    }

private:
    void Read() {
        std::string pending;
        char buffer[65536];
        while (!stop_.load()) {
            pollfd p = {fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0) continue;
            pending.append(buffer, static_cast<size_t>(n));
            const size_t complete = pending.rfind('\n');
            if (complete == std::string::npos) continue;
            const std::string sentences = test::LoggedSentences(pending.substr(0, complete + 1));
            pending.erase(0, complete + 1);
            Match(sentences);
        }
    }

    void Match(const std::string& logged) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!failure_.empty()) return;
        if (expected_.compare(matched_, logged.size(), logged) != 0) {
            size_t at = 0;
            while (at < logged.size() && matched_ + at < expected_.size() && logged[at] == expected_[matched_ + at]) ++at;
            failure_ = "log differs at byte " + std::to_string(total_ + matched_ + at) + ": " + Explain(logged, at);
            return;
        }
        matched_ += logged.size();
        // Keep only what is still to come.
        if (matched_ > (1u << 20)) {
            expected_.erase(0, matched_);
            total_ += matched_;
            matched_ = 0;
        }
    }

    // How far ahead a logged record is looked for among those expected.
    static constexpr size_t kLossWindow = 4096;

    // What went wrong where the log first differs at `at`: records lost,
    // a record twice, or bytes that were never sent.
    std::string Explain(const std::string& logged, size_t at) const {
        const size_t start = logged.rfind('\n', at == 0 ? 0 : at - 1);
        const size_t from = start == std::string::npos || at == 0 ? 0 : start + 1;
        const std::string record = logged.substr(from, logged.find('\n', from) + 1 - from);
        const size_t expectedAt = matched_ + from;
        const size_t previous = expected_.rfind('\n', expectedAt >= 2 ? expectedAt - 2 : 0);
        const size_t previousStart = previous == std::string::npos ? 0 : previous + 1;
        if (expectedAt > 0 && expected_.compare(previousStart, expectedAt - previousStart, record) == 0) {
            return "logged twice: " + record;
        }
        const size_t later = expected_.find(record, expectedAt);
        if (later != std::string::npos && later - expectedAt < kLossWindow) {
            const std::string skipped = expected_.substr(expectedAt, later - expectedAt);
            return std::to_string(std::count(skipped.begin(), skipped.end(), '\n')) + " record(s) lost, first " +
                   skipped.substr(0, skipped.find('\n') + 1);
        }
        return "never sent: " + record + " where " + expected_.substr(expectedAt, 80) + " was due";
    }

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::mutex mutex_;
    std::string expected_, failure_;
    size_t matched_ = 0, total_ = 0;
};

TEST(Soak, EveryValidSentenceIsLoggedExactlyOnceInOrderUnderFullLoad) {
    test::TempDir dir;
    const std::string log = dir.File("soak.log");
    emulator::ReceiverEmulator receiver;
    // One run first, so the process-wide event objects exist before counting.
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 230400));
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    const int threads = test::ThreadCount();
    const int descriptors = test::OpenDescriptorCount();

    auto checking = std::make_unique<LogChecker>(log);
    LogChecker& checker = *checking;
    test::CountingListeners first, second;
    first.ConnectAll();
    ASSERT_TRUE(TmcStartLogging(log.c_str()));
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 230400));

    std::atomic<bool> streaming{true};
    std::atomic<long> queries{0};
    std::thread client([&] {
        int f, list[25];
        unsigned long pi;
        unsigned short text[65];
        TmcRdsTime time;
        while (streaming.load()) {
            TmcGetStatus();
            TmcGetTunerFrequency(f);
            TmcGetRdsHealth(f);
            TmcGetRdsAF(list);
            TmcGetRdsStation(pi, text, 9);
            TmcGetRadioText(text, 65);
            TmcGetRdsTime(time);
            ++queries;
            std::this_thread::sleep_for(1ms);  // pacing, so the reader keeps a core
        }
    });
    std::thread switcher([&] {
        for (int i = 0; streaming.load(); ++i) {
            (i % 2 ? first : second).ConnectAll();
            if (i % 7 == 0) Disconnect(static_cast<ITmcRdsListener*>(nullptr));
            std::this_thread::sleep_for(2ms);
        }
        first.ConnectAll();
    });


    std::mt19937 rng(20261208);
    size_t sent = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(SoakSeconds());
    while (std::chrono::steady_clock::now() < until) {
        std::string valid;
        const std::string chunk = Chunk(rng, valid);
        checker.Expect(valid);
        ASSERT_TRUE(receiver.Send(chunk));
        sent += chunk.size();
    }
    // A last report on a frequency the mix never uses: once it is decoded,
    // everything before it has been logged.
    const std::string last = emulator::TuningSentence(10800, 40);
    checker.Expect(last);
    ASSERT_TRUE(receiver.Send(last));
    const bool complete = test::WaitUntil(
        [] {
            int f = 0;
            return TmcGetTunerFrequency(f) && f == 1080;
        },
        30000ms);
    streaming.store(false);
    client.join();
    switcher.join();
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(TmcStopLogging());
    ASSERT_TRUE(complete) << "sent " << sent << " bytes";
    EXPECT_TRUE(test::WaitUntil([&] { return checker.Outstanding() == 0 || !checker.Failure().empty(); }))
        << checker.Outstanding() << " bytes of sentences missing from the log";
    EXPECT_EQ(checker.Failure(), "");
    EXPECT_EQ(test::LogRecordsLost(), 0u) << "records the log could not write";
    EXPECT_GT(first.calls.load() + second.calls.load(), 1000);
    EXPECT_GT(queries.load(), 100);
    std::printf("soak: %d s, %zu bytes sent, %zu bytes of sentences logged\n", SoakSeconds(), sent, checker.Matched());

    test::DisconnectAll();
    checking.reset();
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    EXPECT_TRUE(test::WaitUntil([&] { return test::ThreadCount() <= threads; }, 3000ms));
    EXPECT_TRUE(test::WaitUntil([&] { return test::OpenDescriptorCount() <= descriptors; }, 3000ms));
}

}  // namespace
}  // namespace rdstmc
