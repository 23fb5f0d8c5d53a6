// Injected system-call faults on the live path: after each one the library
// is sound, does not spin, loses nothing else, and TmcReopen works.
#include <gtest/gtest.h>

#include <thread>

#include "receiver_emulator.h"
#include "support/fault_injection.h"
#include "support/process_support.h"
#include "session/receiver.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::TuningSentence;

using test::ProcessCpuSeconds;

class Faults : public ::testing::Test {
protected:
    Faults() : faults_(receiver_.DevicePath()) {}
    void SetUp() override {
        Connect(&freq_);
        ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 115200));
    }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    // Each report moves the tuner, so each one is heard.
    bool Heard(int frequency) {
        return test::WaitUntil([&] {
            for (const auto& e : freq_.Events())
                if (e.frequency == frequency) return true;
            return false;
        });
    }
    // The reader's pace while the fault lasts, in calls per second of `kind`.
    template <typename Count>
    double CallsPerSecond(Count count, std::chrono::milliseconds window) {
        faults_.ResetCounts();
        std::this_thread::sleep_for(window);  // the measuring window, not a wait for anything
        return count() * 1000.0 / static_cast<double>(window.count());
    }

    emulator::ReceiverEmulator receiver_;
    test::FaultInjector faults_;
    test::FrequencyRecorder freq_;
};

TEST_F(Faults, InterruptedReadsAndPollsAreRetriedWithoutLoss) {
    faults_.FailReads(3, EINTR);
    faults_.FailPolls(3, EINTR);
    ASSERT_TRUE(receiver_.Send(TuningSentence(9000, 40) + TuningSentence(9100, 40)));
    EXPECT_TRUE(Heard(910));
    ASSERT_EQ(freq_.Events().size(), 2u);
    EXPECT_EQ(freq_.Events()[0].frequency, 900);
}

TEST_F(Faults, ShortAndRefusedWritesStillDeliverWholeSentences) {
    receiver_.ClearReceived();
    faults_.LimitWrites(3);
    faults_.ResetCounts();
    EXPECT_TRUE(TmcSendCommand("$PLTCM,A1"));
    EXPECT_GE(faults_.Writes(), 5) << "14 bytes, 3 at a time";
    faults_.LimitWrites(0);
    faults_.FailWrites(2, EAGAIN);
    EXPECT_TRUE(TmcSendCommand("$PLTCM,+"));
    faults_.FailWrites(1, EINTR);
    EXPECT_TRUE(TmcSendCommand("$PLTCM,-"));
    ASSERT_TRUE(receiver_.WaitForLines(3, 5000ms));
    const auto lines = receiver_.Received();
    EXPECT_EQ(lines[0].text, "$PLTCM,A1*1A\r\n");
    EXPECT_EQ(lines[1].text, "$PLTCM,+*41\r\n");
    EXPECT_EQ(lines[2].text, "$PLTCM,-*47\r\n");
}

TEST_F(Faults, AWriteErrorIsReportedAndTheNextWriteWorks) {
    receiver_.ClearReceived();
    faults_.FailWrites(1, EIO);
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1"));
    EXPECT_TRUE(TmcSendCommand("$PLTCM,A1"));
    ASSERT_TRUE(receiver_.WaitForLines(1, 5000ms));
    EXPECT_EQ(receiver_.Received().size(), 1u);
}

TEST_F(Faults, AWriteTheDeviceNeverTakesTimesOutWithoutSpinning) {
    faults_.FailWrites(-1, EAGAIN);
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(TmcSendCommand("$PLTCM,A1"));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, 2.0 * test::kTimeScale) << "the write gives up at its half-second deadline";
    EXPECT_LT((ProcessCpuSeconds() - cpuBefore) / took, 0.2);
    faults_.Clear();
    EXPECT_TRUE(TmcSendCommand("$PLTCM,A1"));
}

TEST_F(Faults, AnIoErrorMidStreamIsPacedAndLosesNothingQueuedBehindIt) {
    ASSERT_TRUE(receiver_.Send(TuningSentence(9000, 40)));
    ASSERT_TRUE(Heard(900));
    faults_.FailReads(-1, EIO);
    // Waiting in the pseudo-terminal while the reads fail.
    ASSERT_TRUE(receiver_.Send(TuningSentence(9100, 40)));
    const double cpuBefore = ProcessCpuSeconds();
    const double readsPerSecond = CallsPerSecond([&] { return faults_.Reads(); }, 2000ms);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    EXPECT_GE(readsPerSecond, 1) << "the reader keeps trying";
    EXPECT_LE(readsPerSecond, 15) << "failed reads are paced at about 10 a second";
    EXPECT_LT(cpu / 2.0, 0.05);
    EXPECT_EQ(freq_.Events().size(), 1u);
    faults_.Clear();
    EXPECT_TRUE(Heard(910)) << "the bytes behind the error are read once it clears";
    ASSERT_TRUE(TmcReopen());
    ASSERT_TRUE(receiver_.Send(TuningSentence(9200, 40)));
    EXPECT_TRUE(Heard(920));
}

TEST_F(Faults, ADeviceThatPollsReadyButHasNothingToReadIsNotSpunOn) {
    // Data is waiting, so poll says readable, yet every read says EAGAIN.
    faults_.FailReads(-1, EAGAIN);
    ASSERT_TRUE(receiver_.Send(TuningSentence(9000, 40)));
    const double cpuBefore = ProcessCpuSeconds();
    const double readsPerSecond = CallsPerSecond([&] { return faults_.Reads(); }, 2000ms);
    EXPECT_GE(readsPerSecond, 1);
    EXPECT_LE(readsPerSecond, 200);
    EXPECT_LT((ProcessCpuSeconds() - cpuBefore) / 2.0, 0.05);
    faults_.Clear();
    EXPECT_TRUE(Heard(900));
}

TEST_F(Faults, AHangUpMidStreamIsPacedAndReopenWorksWhenTheDeviceIsBack) {
    ASSERT_TRUE(receiver_.Send(TuningSentence(9000, 40)));
    ASSERT_TRUE(Heard(900));
    faults_.HangUp(true);
    const double cpuBefore = ProcessCpuSeconds();
    const double pollsPerSecond = CallsPerSecond([&] { return faults_.Polls(); }, 2000ms);
    EXPECT_GE(pollsPerSecond, 1) << "the reader keeps trying";
    EXPECT_LE(pollsPerSecond, 15);
    EXPECT_LT((ProcessCpuSeconds() - cpuBefore) / 2.0, 0.05);
    faults_.HangUp(false);
    ASSERT_TRUE(TmcReopen());
    ASSERT_TRUE(receiver_.Send(TuningSentence(9100, 40)));
    EXPECT_TRUE(Heard(910));
}

TEST_F(Faults, AnOpenPortWithNoDataWakesOnlyAFewTimesASecond) {
    const double pollsPerSecond = CallsPerSecond([&] { return faults_.Polls(); }, 3000ms);
    EXPECT_LE(pollsPerSecond, 3) << "one read wait per second";
    EXPECT_GE(pollsPerSecond, 0.3) << "the reader is still waiting on the device";
}

TEST(OpenFaults, AFailedOpenOrLineSettingLeavesNothingBehindAndTheNextOpenWorks) {
    emulator::ReceiverEmulator receiver;
    test::FaultInjector faults(receiver.DevicePath());
    // One good run first, so whatever the process keeps for its life (the
    // event objects, a sanitizer's own files) is there before counting.
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 115200));
    ASSERT_TRUE(TmcClose());
    // The reader lets go of the device as it ends, a moment after "stopped";
    // an open, even one that fails, first waits for the last run's workers.
    EXPECT_FALSE(TmcOpen("/dev/rdstmc-no-such-port", 115200));
    const int descriptors = test::OpenDescriptorCount();
    faults.FailOpens(1, EBUSY);
    EXPECT_FALSE(TmcOpen(receiver.DevicePath().c_str(), 115200));
    EXPECT_EQ(TmcGetStatus(), TmcStatusOpenFailed);
    faults.FailLineSettings(1, EIO);
    EXPECT_FALSE(TmcOpen(receiver.DevicePath().c_str(), 115200));
    EXPECT_TRUE(test::WaitUntil([&] { return test::OpenDescriptorCount() == descriptors; }, 3000ms))
        << test::OpenDescriptorCount() << " descriptors, " << descriptors << " before";
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 115200));
    EXPECT_TRUE(TmcClose());
}

TEST(LogFaults, AFailingLogFileLosesOnlyTheRecordsItRefused) {
    test::TempDir dir;
    const std::string log = dir.File("faulty.log");
    emulator::ReceiverEmulator receiver;
    test::FaultInjector faults("faulty.log");
    test::FrequencyRecorder freq;
    Connect(&freq);
    ASSERT_TRUE(TmcStartLogging(log.c_str()));
    ASSERT_TRUE(TmcOpen(receiver.DevicePath().c_str(), 115200));
    const std::string first = TuningSentence(9000, 40), second = TuningSentence(9100, 40),
                      third = TuningSentence(9200, 40), fourth = TuningSentence(9300, 40);
    auto heard = [&](size_t n) { return test::WaitUntil([&] { return freq.Events().size() >= n; }); };

    faults.FailOpens(1, ENOSPC);
    ASSERT_TRUE(receiver.Send(first));
    ASSERT_TRUE(heard(1));
    faults.FailWrites(1, ENOSPC);
    ASSERT_TRUE(receiver.Send(second));
    ASSERT_TRUE(heard(2));
    faults.LimitWrites(5);
    ASSERT_TRUE(receiver.Send(third));
    ASSERT_TRUE(heard(3));
    faults.Clear();
    ASSERT_TRUE(receiver.Send(fourth));
    ASSERT_TRUE(heard(4)) << "decoding goes on whatever the log does";

    TmcClose();
    TmcStopLogging();
    // Records are whole: the refused ones are missing, the cut one completed.
    std::string kept;
    for (const std::string& line : {third, fourth}) kept += line;
    EXPECT_EQ(test::LoggedSentences(test::ReadFile(log)), kept);
    test::DisconnectAll();
}

}  // namespace
}  // namespace rdstmc

namespace rdstmc {
namespace {

// Every refusal says why, and a success clears the reason.
TEST(OpenErrors, EachRefusalOfAPortSaysWhy) {
    emulator::ReceiverEmulator receiver;
    test::FaultInjector faults(receiver.DevicePath());
    test::TempDir dir;
    const std::string file = dir.File("not-a-port");
    test::WriteFile(file, "unchanged");
    const std::string device = receiver.DevicePath();
    const auto refusal = [](bool opened) { return opened ? TmcErrorNone : TmcGetLastError(); };

    EXPECT_EQ(refusal(TmcOpen("/dev/rdstmc-no-such-port", 38400)), TmcErrorNotFound);
    EXPECT_EQ(refusal(TmcOpen(file.c_str(), 38400)), TmcErrorNotADevice);
    EXPECT_EQ(test::ReadFile(file), "unchanged");
    EXPECT_EQ(refusal(TmcOpen(device.c_str(), 12345)), TmcErrorBadRate);
    EXPECT_EQ(refusal(TmcOpen(static_cast<const unsigned short*>(nullptr), 38400)), TmcErrorBadArgument);
    EXPECT_EQ(refusal(TmcOpen("", 38400)), TmcErrorBadArgument);
    // Tests run as root, whom the system never refuses: the refusal is the system's answer, injected.
    faults.FailOpens(1, EACCES);
    EXPECT_EQ(refusal(TmcOpen(device.c_str(), 38400)), TmcErrorPermissionDenied);

    ASSERT_TRUE(TmcOpen(device.c_str(), 38400));
    EXPECT_EQ(TmcGetLastError(), TmcErrorNone);
    EXPECT_EQ(refusal(TmcOpen(device.c_str(), 38400)), TmcErrorAlreadyOpen);
    ReceiverState* other = NewReceiver();
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(Open(*other, rdstmc_detail::Units(test::Wide(device).c_str()), 38400));
    EXPECT_EQ(other->lastError.load(), TmcErrorInUse) << "held by the default receiver of this very program";
    EXPECT_EQ(TmcGetLastError(), TmcErrorAlreadyOpen) << "each receiver keeps its own reason";
    EXPECT_TRUE(FreeReceiver(other));
    EXPECT_TRUE(TmcClose());
    EXPECT_STREQ(TmcErrorText(TmcErrorInUse), "in use by another program, or already open in this one");
}

TEST(OpenErrors, EachRefusalOfARecordingSaysWhy) {
    test::TempDir dir;
    const std::string recording = dir.File("drive.log"), empty = dir.File("empty.log");
    test::WriteFile(recording, test::ReadFile(RDSTMC_BUNDLED_RECORDING_PATH));
    test::WriteFile(empty, "");
    EXPECT_FALSE(TmcStartSimulation(dir.File("missing.log").c_str()));
    EXPECT_EQ(TmcGetLastError(), TmcErrorNotFound);
    EXPECT_FALSE(TmcStartSimulation(empty.c_str()));
    EXPECT_EQ(TmcGetLastError(), TmcErrorBadArgument);

    // Another receiver playing it holds the file.
    ReceiverState* other = NewReceiver();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(StartSimulation(*other, rdstmc_detail::Units(test::Wide(recording).c_str())));
    int frequency = 0;
    // A tuning report heard: its worker has the file open.
    ASSERT_TRUE(test::WaitUntil([&] { return GetTunerFrequency(*other, frequency) && frequency != 0; }, 5000ms));
    EXPECT_FALSE(TmcStartSimulation(recording.c_str()));
    EXPECT_EQ(TmcGetLastError(), TmcErrorInUse);
    EXPECT_TRUE(FreeReceiver(other));
}

}  // namespace
}  // namespace rdstmc
