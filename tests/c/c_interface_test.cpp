// Runs the C scenarios against the shared library, as a C program links it,
// with a receiver emulator on a pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "c/c_client.h"
#include "receiver_emulator.h"
#include "sentences.h"

namespace {

using namespace std::chrono_literals;
using rdstmc::emulator::ReceiverEmulator;

int Send(void* self, const char* body) {
    return static_cast<ReceiverEmulator*>(self)->Send(rdstmc::emulator::Frame(body)) ? 1 : 0;
}

size_t Count(const ReceiverEmulator& receiver, const std::string& prefix) {
    size_t n = 0;
    for (const auto& line : receiver.Received()) n += line.text.compare(0, prefix.size(), prefix) == 0;
    return n;
}

size_t WaitForLines(void* self, const char* prefix, size_t count) {
    const auto& receiver = *static_cast<ReceiverEmulator*>(self);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Count(receiver, prefix) < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    return Count(receiver, prefix);
}

class CInterface : public ::testing::Test {
protected:
    ReceiverEmulator receiver_;
    c_harness harness_{&receiver_, Send, WaitForLines};
};

// gtest's EXPECT on a C scenario: null, or the check that failed.
#define EXPECT_SCENARIO(call)        \
    do {                             \
        const char* failed = (call); \
        EXPECT_EQ(failed, nullptr) << failed; \
    } while (0)

TEST_F(CInterface, AProgramReceivesStationTextAndTrafficMessagesAndCloses) {
    EXPECT_SCENARIO(c_receives_station_text_and_tmc(receiver_.DevicePath().c_str(), &harness_));
}

TEST_F(CInterface, AProgramSteersTheTunerLogsAndPlaysTheLogBack) {
    char dir[] = "/tmp/rdstmc-c-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/session.log";
    EXPECT_SCENARIO(c_controls_logs_and_replays(receiver_.DevicePath().c_str(), &harness_, log.c_str()));
    unlink(log.c_str());
    rmdir(dir);
}

TEST(CInterfaceReceivers, TwoReceiversInOneProgramHearEachTheirOwnModule) {
    ReceiverEmulator modules[2];
    const c_harness a{&modules[0], Send, WaitForLines}, b{&modules[1], Send, WaitForLines};
    const std::string paths[2] = {modules[0].DevicePath(), modules[1].DevicePath()};
    const char* devices[2] = {paths[0].c_str(), paths[1].c_str()};
    const c_harness* harnesses[2] = {&a, &b};
    EXPECT_SCENARIO(c_two_receivers_hear_each_their_own(devices, harnesses));
}

TEST(CInterfaceOffline, ARecordingsMessagesAreDecodedAndKeptWithoutAReceiver) {
    EXPECT_SCENARIO(c_decodes_and_keeps_messages(RDSTMC_BUNDLED_RECORDING_PATH));
}

TEST(CInterfaceOffline, BadArgumentsAreRefusedNotFollowed) { EXPECT_SCENARIO(c_refuses_bad_arguments()); }

}  // namespace
