// Helpers shared by the tests: waiting with deadlines, recording listeners,
// feeding bytes to the sentence path, and resource counts.
#pragma once
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rdstmc.h"

namespace rdstmc::test {

using namespace std::chrono_literals;

// What this test process puts before the system-wide event names, so that
// test processes running side by side never share an event.
const std::string& EventPrefix();

// How much slower than native this run may be (1 native, more under an
// emulator): every deadline and time bound of the tests is multiplied by it.
constexpr int kTimeScale = RDSTMC_TEST_TIME_SCALE;
constexpr std::chrono::milliseconds Scaled(std::chrono::milliseconds bound) { return bound * kTimeScale; }

// Whether a forked child of this process, which has threads, may start
// threads of its own. Not under a user-mode emulator (qemu-arm aborts on an
// assertion of its own), nor under GCC's sanitizers: ThreadSanitizer refuses,
// and under AddressSanitizer the child inherits its allocator's locks held by
// the parent's other threads, and a new thread waits on them for ever. Tests
// whose child starts a run are skipped there.
inline bool ChildMayStartThreads() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return false;
#else
    return RDSTMC_TEST_LAUNCHER[0] == 0;
#endif
}

// Polls `condition` until it holds or `timeout` (scaled) passes; the last result.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5000ms);



// Runs the bytes through the library's sentence path as one receive buffer
// would (live data, so logging applies).
void Feed(const std::string& bytes);

std::u16string Wide(const std::string& utf8);
std::string Narrow(const unsigned short* wide);
inline const unsigned short* W(const std::u16string& s) {
    return reinterpret_cast<const unsigned short*>(s.c_str());
}



// Disconnects `l` if it is the connected listener of its kind. Every test
// listener calls it from its own destructor, so a listener that goes out of
// scope while a worker still runs is never called after it is gone.
void DisconnectIfConnected(ITmcFrequencyListener* l);
void DisconnectIfConnected(ITmcRdsListener* l);
void DisconnectIfConnected(ITmcStatusListener* l);
void DisconnectIfConnected(ITmcRawDataListener* l);

// Empties every listener slot, so no test leaves a dangling listener behind.
void DisconnectAll();

// Lets the queries answer without a port, for decoder tests that feed bytes
// straight into the sentence path.
class QueriesAvailable {
public:
    QueriesAvailable();
    ~QueriesAvailable();
};

// Puts the decoders' record back to how a new process finds it.
void FreshState();

// Base for decoder tests: a fresh record, queries answering, and no listener
// left connected afterwards.
class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override { FreshState(); }
    void TearDown() override { DisconnectAll(); }
    QueriesAvailable available_;
};

// A fresh directory of its own, removed with everything in it at the end of
// the test; its path in UTF-8. Throws if none can be made, rather than
// lending a shared one.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Paths here are UTF-8 on every system, as the library takes them.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// The sentences of a log's records, their "[tick]," taken off, one after
// another; a record without that shape fails the test.
std::string LoggedSentences(const std::string& log);

struct FrequencyEvent {
    int frequency;
    int quality;
    unsigned char tunerMode;
};

class FrequencyRecorder final : public ITmcFrequencyListener {
public:
    ~FrequencyRecorder() override { DisconnectIfConnected(this); }
    void OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) override;
    std::vector<FrequencyEvent> Events() const;

private:
    mutable std::mutex mutex_;
    std::vector<FrequencyEvent> events_;
};

class RdsRecorder final : public ITmcRdsListener {
public:
    ~RdsRecorder() override { DisconnectIfConnected(this); }
    void OnRadioText(const unsigned short* text) override;
    void OnRdsTime(const TmcRdsTime& time) override;
    void OnStationName(int pi, const unsigned short* name) override;
    void OnAlternativeFrequencies(const int* list) override;

    std::vector<std::string> RadioTexts() const;
    std::vector<TmcRdsTime> Times() const;
    std::vector<std::pair<int, std::string>> Stations() const;
    std::vector<std::vector<int>> AfLists() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<TmcRdsTime> times_;
    std::vector<std::pair<int, std::string>> stations_;
    std::vector<std::vector<int>> afLists_;
};

class StatusRecorder final : public ITmcStatusListener {
public:
    ~StatusRecorder() override { DisconnectIfConnected(this); }
    void OnStatusChanged(const TmcStatus& status) override;
    std::vector<TmcStatus> Statuses() const;
    bool WaitFor(TmcStatus status, std::chrono::milliseconds timeout = 5000ms) const;

private:
    mutable std::mutex mutex_;
    std::vector<TmcStatus> statuses_;
};

class RawRecorder final : public ITmcRawDataListener {
public:
    ~RawRecorder() override { DisconnectIfConnected(this); }
    void OnRawData(const unsigned int& word0, const unsigned int& word1) override;
    std::vector<std::pair<unsigned, unsigned>> Groups() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<unsigned, unsigned>> groups_;
};


}  // namespace rdstmc::test
