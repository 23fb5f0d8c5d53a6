#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "data/receiver_state.h"
#include "receiver_emulator.h"
#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::Frame;
using emulator::ReceiverEmulator;
using test::StatusRecorder;

class PortTest : public ::testing::Test {
protected:
    void TearDown() override {
        TmcClose();
        TmcStopSimulation();
        test::DisconnectAll();
    }
    bool Open(unsigned baud = 38400) { return TmcOpen(receiver_.DevicePath().c_str(), baud); }
    ReceiverEmulator receiver_;
};

TEST_F(PortTest, OpenSendsTheStartUpSentencesPacedAndReportsNoRds) {
    StatusRecorder status;
    Connect(&status);
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_EQ(TmcGetStatus(), TmcStatusStopped);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(TmcIsOpen());
    EXPECT_EQ(status.Statuses(), std::vector<TmcStatus>{TmcStatusNoRds}) << "delivered before TmcOpen returns";
    EXPECT_EQ(TmcGetStatus(), TmcStatusNoRds);

    ASSERT_TRUE(receiver_.WaitForLines(2, 2000ms));
    const auto lines = receiver_.Received();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "$PLTCM,H2,8800*3C\r\n");
    EXPECT_EQ(lines[1].text, "$PLTCM,RFA,65535*23\r\n");
    EXPECT_GE(lines[1].at - lines[0].at, 145ms) << "sentences are spaced by the write path";

    EXPECT_TRUE(TmcClose());
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_FALSE(TmcClose()) << "a second close has nothing to close";
    EXPECT_TRUE(status.WaitFor(TmcStatusStopped, 1000ms));
}

TEST_F(PortTest, AFailedOpenReportsOpenFailedOnce) {
    StatusRecorder status;
    Connect(&status);
    EXPECT_FALSE(TmcOpen("/dev/rdstmc-no-such-port", 9600));
    EXPECT_FALSE(TmcOpen("/dev/rdstmc-no-such-port", 9600));
    EXPECT_FALSE(TmcOpen(receiver_.DevicePath().c_str(), 12345)) << "an unsupported rate is refused";
    EXPECT_FALSE(TmcOpen(std::string(300, 'x').c_str(), 9600)) << "names over 255 characters are refused";
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_EQ(TmcGetStatus(), TmcStatusOpenFailed);
    EXPECT_EQ(status.Statuses(), std::vector<TmcStatus>{TmcStatusOpenFailed}) << "each change is told once";
    int f;
    EXPECT_FALSE(TmcGetTunerFrequency(f));
}

TEST_F(PortTest, Utf16NamesAndNullReachTheLibraryThroughTheirOverloads) {
    EXPECT_FALSE(TmcOpen(nullptr, 9600));
    EXPECT_EQ(TmcGetStatus(), TmcStatusOpenFailed);
    EXPECT_FALSE(TmcStartLogging(nullptr));
    EXPECT_FALSE(TmcOpen(u"/dev/rdstmc-no-such-port", 9600));
    EXPECT_TRUE(TmcOpen(test::Wide(receiver_.DevicePath()).c_str(), 9600)) << "a std::u16string's text";
    EXPECT_TRUE(TmcSendCommand(u"$PLTCM,A1"));
    EXPECT_TRUE(receiver_.WaitForLines(3, 2000ms));
    EXPECT_EQ(receiver_.Received().back().text, "$PLTCM,A1*1A\r\n");
}

TEST_F(PortTest, OpenWhileOpenChangesNothingAndTheConnectionKeepsWorking) {
    ASSERT_TRUE(Open());
    ReceiverEmulator other;
    StatusRecorder status;
    Connect(&status);
    EXPECT_FALSE(TmcOpen(other.DevicePath().c_str(), 9600));
    EXPECT_TRUE(status.Statuses().empty());
    EXPECT_EQ(TmcGetStatus(), TmcStatusNoRds);
    receiver_.Send(emulator::TuningSentence(9470, 40));
    int f = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 947; }));
}

TEST_F(PortTest, ReopenTwiceUsesTheSamePortAndRate) {
    ASSERT_TRUE(Open(57600));
    ASSERT_TRUE(receiver_.WaitForLines(2, 2000ms));
    receiver_.ClearReceived();
    ASSERT_TRUE(TmcReopen());
    ASSERT_TRUE(TmcReopen());
    EXPECT_TRUE(TmcIsOpen());
    ASSERT_TRUE(receiver_.WaitForLines(4, 3000ms));
    const auto lines = receiver_.Received();
    EXPECT_EQ(lines[0].text, "$PLTCM,H2,8800*3C\r\n");
    EXPECT_EQ(lines[2].text, "$PLTCM,H2,8800*3C\r\n");
    receiver_.Send(emulator::TuningSentence(10110, 40));
    int f = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 1011; }));
    EXPECT_TRUE(TmcClose());
    EXPECT_FALSE(TmcReopen()) << "nothing open to reopen";
}

TEST_F(PortTest, SentencesSplitAcrossReadsArriveOnce) {
    test::FrequencyRecorder freq;
    Connect(&freq);
    ASSERT_TRUE(Open());
    std::string stream;
    for (int i = 0; i < 6; ++i) stream += emulator::TuningSentence(8800 + 10 * i, 30);
    // Cut inside the '$', the identifier, a field, the checksum and the CR LF.
    ASSERT_TRUE(receiver_.SendInPieces(stream, {1, 9, 30, 61, 64, 66, 100, 128}, 30ms));
    ASSERT_TRUE(test::WaitUntil([&] { return freq.Events().size() == 6; }));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(freq.Events()[i].frequency, 880 + i);
}

TEST_F(PortTest, CloseEndsTheReaderPromptly) {
    ASSERT_TRUE(Open());
    StatusRecorder status;
    Connect(&status);
    const int threadsOpen = test::ThreadCount();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(status.WaitFor(TmcStatusStopped, 2000ms));
    // Woken: without the wake-up the reader would finish its one-second read
    // first. The bound stays below that on the slowest tree CI runs.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms) << "woken at once, not after a read time-out";
    EXPECT_TRUE(test::WaitUntil([&] { return test::ThreadCount() == threadsOpen - 2; }, 2000ms));
}

TEST_F(PortTest, ManyOpenCloseCyclesLeakNoThreadsOrDescriptors) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    const int fds = test::OpenDescriptorCount();
    const int threads = test::ThreadCount();
    // Each cycle opens at the pace of the two start-up sentences; forty show
    // a leak of anything per cycle as forty.
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(Open()) << i;
        if (i % 3 == 2) {
            ASSERT_TRUE(TmcReopen()) << i;
        }
        ASSERT_TRUE(TmcClose()) << i;
    }
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    EXPECT_TRUE(test::WaitUntil([&] { return test::ThreadCount() <= threads; }, 3000ms))
        << test::ThreadCount() << " threads, " << threads << " before";
    EXPECT_TRUE(test::WaitUntil([&] { return test::OpenDescriptorCount() <= fds; }, 3000ms))
        << test::OpenDescriptorCount() << " descriptors, " << fds << " before";
}

TEST_F(PortTest, APortThatNeverTakesAWriteFailsTheOpenInBoundedTime) {
    // /dev/full opens and reads fine but refuses every write.
    StatusRecorder status;
    Connect(&status);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(TmcOpen("/dev/full", 9600));
    EXPECT_LT(std::chrono::steady_clock::now() - start, test::Scaled(4000ms)) << "the start-up sentence is given up";
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_EQ(TmcGetStatus(), TmcStatusOpenFailed);
}

TEST_F(PortTest, OpenOnASilentModuleTakesLittleMoreThanTheTwoPacedSentences) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Open());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 290ms);
    // Waiting for data, the probe would add its one-second read to the 300 ms
    // of the two paced sentences.
    EXPECT_LT(took, 1250ms) << "the probe does not wait for data";
}

TEST_F(PortTest, APulledDeviceNeitherCrashesNorSpinsAndReopenWorksAfterwards) {
    ASSERT_TRUE(Open());
    receiver_.Hangup();
    // The reader now sees a hang-up at every read; it must pace itself.
    // The sleep is the measuring window, not a wait for anything.
    timespec before, after;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    const auto wall = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(2000ms);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpu = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    EXPECT_LT(cpu / elapsed, 0.05) << "the whole process";
    EXPECT_TRUE(TmcClose());
    ReceiverEmulator replacement;
    EXPECT_TRUE(TmcOpen(replacement.DevicePath().c_str(), 9600));
}

// A listener that, inside its own callback, closes the port, tries to open
// another port and to start a replay, and disconnects itself.
class ClosingListener : public ITmcFrequencyListener {
public:
    ~ClosingListener() override { test::DisconnectIfConnected(this); }
    void OnFrequencyChanged(int, int, unsigned char) override {
        closed = TmcClose();
        openedOther = TmcOpen(other.DevicePath().c_str(), 38400);
        replayed = TmcStartSimulation(RDSTMC_BUNDLED_RECORDING_PATH);
        Disconnect(this);
        done = true;
    }
    ReceiverEmulator other;
    std::atomic<bool> closed{false}, openedOther{true}, replayed{true}, done{false};
};

TEST_F(PortTest, AListenerMayCloseInsideItsCallbackButStartsNoRunThere) {
    ClosingListener l;
    Connect(&l);
    ASSERT_TRUE(Open());
    receiver_.Send(emulator::TuningSentence(9000, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return l.done.load(); })) << "a call from the callback hung";
    EXPECT_TRUE(l.closed);
    // The reader cannot wait for its own end, so it may start no new run.
    EXPECT_FALSE(l.openedOther);
    EXPECT_FALSE(l.replayed);
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    EXPECT_TRUE(Open()) << "the next open waits for the old reader and succeeds";
}

// Stays inside its callback until let go.
class StuckListener : public ITmcFrequencyListener {
public:
    ~StuckListener() override { test::DisconnectIfConnected(this); }
    void OnFrequencyChanged(int frequency, int, unsigned char) override {
        last = frequency;
        inside = true;
        while (hold) std::this_thread::sleep_for(1ms);
        inside = false;
    }
    std::atomic<bool> hold{true}, inside{false};
    std::atomic<int> last{0};
};

TEST_F(PortTest, CloseWithTheReaderStuckInAListenerReturnsAndALaterOpenWorks) {
    StuckListener stuck;
    Connect(&stuck);
    ASSERT_TRUE(Open());
    receiver_.Send(emulator::TuningSentence(9000, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return stuck.inside.load(); }));
    // Close never waits for the reader: it returns at once, the port closed.
    EXPECT_TRUE(TmcClose());
    EXPECT_FALSE(TmcIsOpen());
    // A new run needs the old one wholly over; while the reader stays stuck
    // the open gives up after a bounded wait and says so.
    EXPECT_FALSE(Open());
    EXPECT_TRUE(stuck.inside) << "the reader was not stuck through the open";
    stuck.hold = false;
    ASSERT_TRUE(test::WaitUntil([&] { return !stuck.inside.load(); }));
    ASSERT_TRUE(Open()) << "once the listener returns, the port opens again";
    receiver_.Send(emulator::TuningSentence(9100, 40));
    EXPECT_TRUE(test::WaitUntil([&] { return stuck.last == 910; }));
}

class ThrowingListener : public ITmcFrequencyListener {
public:
    ~ThrowingListener() override { test::DisconnectIfConnected(this); }
    void OnFrequencyChanged(int frequency, int, unsigned char) override {
        last = frequency;
        throw std::runtime_error("client bug");
    }
    std::atomic<int> last{0};
};

TEST_F(PortTest, AThrowingListenerDoesNotStopTheReader) {
    ThrowingListener l;
    Connect(&l);
    ASSERT_TRUE(Open());
    receiver_.Send(emulator::TuningSentence(9000, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return l.last == 900; }));
    receiver_.Send(emulator::TuningSentence(9100, 40));
    EXPECT_TRUE(test::WaitUntil([&] { return l.last == 910; }));
}

// Two workers, each inside a callback that empties the other's slot at the
// same moment: the reader in OnRawData, the status worker in OnStatusChanged.
struct CrossDisconnect {
    struct Raw : ITmcRawDataListener {
        CrossDisconnect* both;
        ~Raw() override { test::DisconnectIfConnected(this); }
        void OnRawData(const unsigned&, const unsigned&) override {
            both->rawInside = true;
            test::WaitUntil([&] { return both->statusInside.load(); }, 3000ms);
            Disconnect(static_cast<ITmcStatusListener*>(nullptr));
            both->rawDone = true;
        }
    } raw;
    struct Status : ITmcStatusListener {
        CrossDisconnect* both;
        ~Status() override { test::DisconnectIfConnected(this); }
        void OnStatusChanged(const TmcStatus& s) override {
            if (s != TmcStatusTmc) return;
            both->statusInside = true;
            test::WaitUntil([&] { return both->rawInside.load(); }, 3000ms);
            Disconnect(static_cast<ITmcRawDataListener*>(nullptr));
            both->statusDone = true;
        }
    } status;
    std::atomic<bool> rawInside{false}, statusInside{false}, rawDone{false}, statusDone{false};
    CrossDisconnect() { raw.both = status.both = this; }
};

TEST_F(PortTest, WorkersDisconnectingEachOthersListenersNeverWaitForEachOther) {
    CrossDisconnect cross;
    Connect(&cross.raw);
    Connect(&cross.status);
    ASSERT_TRUE(Open());
    // RDS only first: then the status worker runs and has its events. Groups
    // that come before it has opened them signal nothing, so keep sending.
    bool rdsOnly = false;
    for (int i = 0; i < 10 && !rdsOnly; ++i) {
        receiver_.Send(emulator::GroupSentence(0x6201, 0x0000, 0xE0CD, 0x2020));
        rdsOnly = test::WaitUntil([] { return TmcGetStatus() == TmcStatusRdsOnly; }, 1200ms);
    }
    ASSERT_TRUE(rdsOnly);
    // A clock-time group is TMC-related: the reader reports it raw, and the
    // status worker raises TMC at the same time.
    receiver_.Send(emulator::GroupSentence(0x6201, 0x4000, 1, 2));
    ASSERT_TRUE(test::WaitUntil([&] { return cross.rawDone && cross.statusDone; }, 8000ms))
        << "raw inside " << cross.rawInside << ", status inside " << cross.statusInside;
    ASSERT_TRUE(TmcClose());
    EXPECT_TRUE(test::WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }));
    EXPECT_TRUE(Open()) << "both workers ended, so a new run starts";
}

class ReopeningListener : public ITmcFrequencyListener {
public:
    ~ReopeningListener() override { test::DisconnectIfConnected(this); }
    void OnFrequencyChanged(int, int, unsigned char) override {
        reopened = TmcReopen() ? 1 : 0;
        openAfter = TmcIsOpen();
    }
    std::atomic<int> reopened{-1};
    std::atomic<bool> openAfter{false};
};

TEST_F(PortTest, ReopenFromACallbackIsRefusedAndLeavesTheConnectionAlone) {
    ReopeningListener l;
    StatusRecorder status;
    Connect(&l);
    Connect(&status);
    ASSERT_TRUE(Open());
    receiver_.Send(emulator::TuningSentence(9000, 40));
    ASSERT_TRUE(test::WaitUntil([&] { return l.reopened != -1; }));
    EXPECT_EQ(l.reopened, 0);
    EXPECT_TRUE(l.openAfter);
    EXPECT_TRUE(TmcIsOpen());
    Disconnect(&l);
    receiver_.Send(emulator::TuningSentence(9100, 40));
    int f = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 910; })) << "still reading";
    EXPECT_EQ(status.Statuses(), std::vector<TmcStatus>{TmcStatusNoRds});
}

}  // namespace
}  // namespace rdstmc
