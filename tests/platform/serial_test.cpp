#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/serial.h"
#include "receiver_emulator.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

TEST(SerialDevice, CarriesEveryByteValueUnchangedBothWays) {
    emulator::ReceiverEmulator receiver;
    platform::SerialDevice* d = platform::SerialOpen(receiver.DevicePath().c_str(), 115200);
    ASSERT_NE(d, nullptr);
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    ASSERT_TRUE(receiver.Send(all));
    std::string got;
    char buffer[512];
    while (got.size() < all.size()) {
        const long n = platform::SerialRead(d, buffer, sizeof buffer, 1000);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, all) << "raw mode: no CR/LF mapping, no XON/XOFF, no echo";

    const std::string out = "$PLTCM,A1*1A\r\n\x11\x13\r\n";
    ASSERT_TRUE(platform::SerialWrite(d, out.data(), out.size(), 1000));
    ASSERT_TRUE(receiver.WaitForLines(2, 2000ms));
    EXPECT_EQ(receiver.Received()[0].text, "$PLTCM,A1*1A\r\n");
    EXPECT_EQ(receiver.Received()[1].text, "\x11\x13\r\n");
    platform::SerialClose(d);
}

TEST(SerialDevice, IsHeldExclusivelyAndRefusesUnknownRates) {
    emulator::ReceiverEmulator receiver;
    EXPECT_EQ(platform::SerialOpen(receiver.DevicePath().c_str(), 12345), nullptr);
    EXPECT_EQ(platform::SerialOpen("/dev/rdstmc-no-such-device", 9600), nullptr);
    platform::SerialDevice* d = platform::SerialOpen(receiver.DevicePath().c_str(), 9600);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(platform::SerialOpen(receiver.DevicePath().c_str(), 9600), nullptr) << "second opener refused";
    platform::SerialClose(d);
    d = platform::SerialOpen(receiver.DevicePath().c_str(), 230400);
    EXPECT_NE(d, nullptr) << "free again after close";
    platform::SerialClose(d);
}

TEST(SerialDevice, ReadReturnsEarlyOnInterruptAndReportsAVanishedDevice) {
    emulator::ReceiverEmulator receiver;
    platform::SerialDevice* d = platform::SerialOpen(receiver.DevicePath().c_str(), 9600);
    ASSERT_NE(d, nullptr);
    char buffer[16];
    EXPECT_EQ(platform::SerialRead(d, buffer, sizeof buffer, 0), 0) << "nothing there, no wait";
    platform::SerialInterrupt(d);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::SerialRead(d, buffer, sizeof buffer, 5000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    EXPECT_FALSE(platform::SerialWrite(d, "x", 1, 1000)) << "an interrupted device takes no more writes";
    platform::SerialClose(d);

    d = platform::SerialOpen(receiver.DevicePath().c_str(), 9600);
    ASSERT_NE(d, nullptr);
    receiver.Hangup();
    EXPECT_EQ(platform::SerialRead(d, buffer, sizeof buffer, 1000), platform::kSerialGone);
    platform::SerialClose(d);
}

}  // namespace
}  // namespace rdstmc
