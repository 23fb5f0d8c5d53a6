// What the port is allowed to be, and what becomes of it when its device
// goes away and comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <vector>

#include "rdstmc_ext.h"
#include "receiver_emulator.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using emulator::ReceiverEmulator;
using emulator::TuningSentence;

class DeviceRecorder final : public ITmcDeviceListener {
public:
    void OnDeviceChanged(bool present) override {
        std::lock_guard<std::mutex> guard(mutex_);
        changes_.push_back(present);
    }
    std::vector<bool> Changes() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return changes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<bool> changes_;
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { Connect(&freq_); }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    bool Heard(int frequency) {
        return test::WaitUntil([&] {
            const auto events = freq_.Events();
            return !events.empty() && events.back().frequency == frequency;
        });
    }
    // Points the link at a new device in one step, as udev does for a
    // /dev/serial/by-id name when an adapter is plugged in again.
    void PointLinkAt(const std::string& device) {
        const std::string fresh = dir_.File("link.new");
        ASSERT_EQ(symlink(device.c_str(), fresh.c_str()), 0);
        ASSERT_EQ(rename(fresh.c_str(), link_.c_str()), 0);
    }

    test::TempDir dir_;
    const std::string link_ = dir_.File("ttyRDS");
    test::FrequencyRecorder freq_;
    DeviceRecorder device_;
};

TEST_F(DeviceTest, AFileOrDirectoryNamedAsThePortIsRefusedAndLeftAsItWas) {
    test::StatusRecorder status;
    Connect(&status);
    const std::string file = dir_.File("today.log");
    std::string content;
    for (int i = 0; i < 40; ++i) content += "[" + std::to_string(i * 100) + "]," + TuningSentence(9690, 40);
    test::WriteFile(file, content);

    EXPECT_FALSE(TmcOpen(file.c_str(), 38400));
    EXPECT_FALSE(TmcIsOpen());
    EXPECT_EQ(status.Statuses(), std::vector<TmcStatus>{TmcStatusOpenFailed});
    EXPECT_EQ(test::ReadFile(file), content) << "the file was written to";
    EXPECT_TRUE(freq_.Events().empty()) << "the file was read as if it were a receiver";
    EXPECT_FALSE(TmcOpen(dir_.Path().c_str(), 38400));
}

TEST_F(DeviceTest, ADeviceThatGoesAwayIsSaidToAndPickedUpAgainByItsNameWhenBack) {
    Connect(&device_);
    auto first = std::make_unique<ReceiverEmulator>();
    PointLinkAt(first->DevicePath());
    ASSERT_TRUE(TmcOpen(link_.c_str(), 115200));
    EXPECT_TRUE(TmcIsDevicePresent());
    ASSERT_TRUE(first->Send(TuningSentence(9000, 40)));
    ASSERT_TRUE(Heard(900));

    first->Hangup();
    ASSERT_TRUE(test::WaitUntil([&] { return device_.Changes() == std::vector<bool>{false}; }));
    EXPECT_FALSE(TmcIsDevicePresent());
    EXPECT_TRUE(TmcIsOpen()) << "the port stays open for the program";

    ReceiverEmulator second;
    PointLinkAt(second.DevicePath());
    ASSERT_TRUE(test::WaitUntil([&] { return device_.Changes() == std::vector<bool>{false, true}; }))
        << "the reader did not find the device again";
    EXPECT_TRUE(TmcIsDevicePresent());
    ASSERT_TRUE(second.Send(TuningSentence(9100, 40)));
    EXPECT_TRUE(Heard(910)) << "reading goes on from the device that came back";
    EXPECT_TRUE(TmcControlTuner(TmcTune, 969)) << "commands reach the new device";
    EXPECT_TRUE(second.WaitForLines(1, 2000ms));

    ASSERT_TRUE(TmcClose());
    EXPECT_FALSE(TmcIsDevicePresent());
    EXPECT_EQ(device_.Changes(), (std::vector<bool>{false, true})) << "a close is not a removal";
}

}  // namespace
}  // namespace rdstmc
