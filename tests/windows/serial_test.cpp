// The serial service on Windows, through COM5 and COM6, the two ends of one
// line that run_under_wine.sh joins before the unit tests run.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "platform/serial.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

// Everything that arrives within `timeoutMs`, up to `count` bytes.
std::string ReadUpTo(platform::SerialDevice* d, size_t count, unsigned timeoutMs) {
    std::string got;
    char buffer[512];
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < giveUp) {
        const long n = platform::SerialRead(d, buffer, sizeof buffer, 200);
        if (n < 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// Windows' serial driver lets one handle have a port at a time; Wine opens
// the device again for every caller, whatever the share mode asked.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(SerialDevice, CarriesEveryByteValueUnchangedBothWays) {
    platform::SerialDevice* library = platform::SerialOpen("COM5", 115200);
    platform::SerialDevice* module = platform::SerialOpen("COM6", 115200);
    ASSERT_NE(library, nullptr);
    ASSERT_NE(module, nullptr);
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    ASSERT_TRUE(platform::SerialWrite(module, all.data(), all.size(), 1000));
    EXPECT_EQ(ReadUpTo(library, all.size(), 5000), all) << "binary: no CR/LF mapping, no XON/XOFF, no parity";
    const std::string out = "$PLTCM,A1*1A\r\n\x11\x13\r\n";
    ASSERT_TRUE(platform::SerialWrite(library, out.data(), out.size(), 1000));
    EXPECT_EQ(ReadUpTo(module, out.size(), 5000), out);
    platform::SerialClose(module);
    platform::SerialClose(library);
}

TEST(SerialDevice, IsHeldByOneOpenerAndRefusesUnknownRates) {
    EXPECT_EQ(platform::SerialOpen("COM5", 12345), nullptr);
    EXPECT_EQ(platform::SerialOpen("COM99", 9600), nullptr) << "no such port";
    platform::SerialDevice* d = platform::SerialOpen("com5:", 9600);
    ASSERT_NE(d, nullptr) << "the name as users write it";
    if (!UnderWine()) {
        EXPECT_EQ(platform::SerialOpen("COM5", 9600), nullptr) << "second opener refused";
    }
    platform::SerialClose(d);
    d = platform::SerialOpen("COM5", 230400);
    EXPECT_NE(d, nullptr) << "free again after close";
    platform::SerialClose(d);
}

TEST(SerialDevice, AnInterruptEndsAWaitingReadAndRefusesLaterWrites) {
    platform::SerialDevice* d = platform::SerialOpen("COM5", 9600);
    ASSERT_NE(d, nullptr);
    char buffer[16];
    EXPECT_EQ(platform::SerialRead(d, buffer, sizeof buffer, 0), 0) << "nothing there, no wait";
    platform::SerialInterrupt(d);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::SerialRead(d, buffer, sizeof buffer, 5000), 0);
    // Well under the read's own five seconds: the interrupt ended it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    EXPECT_FALSE(platform::SerialWrite(d, "x", 1, 1000));
    platform::SerialClose(d);
}

}  // namespace
}  // namespace rdstmc
