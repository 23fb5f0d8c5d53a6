// A receiver module on a pseudo-terminal: the library opens the slave side as
// its serial port, this side plays sentences into it and records every byte
// the library sends. Used by the tests and by rdstmc-emulator.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sentences.h"

namespace rdstmc::emulator {

using Clock = std::chrono::steady_clock;

// One line the library wrote, as received, with its arrival time.
struct ReceivedLine {
    std::string text;  // through its line feed
    Clock::time_point at;
};

class ReceiverEmulator {
public:
    // Opens a pseudo-terminal pair in raw mode; throws std::runtime_error if
    // the OS refuses.
    ReceiverEmulator();
    ~ReceiverEmulator();
    ReceiverEmulator(const ReceiverEmulator&) = delete;
    ReceiverEmulator& operator=(const ReceiverEmulator&) = delete;

    // The device the library should open.
    const std::string& DevicePath() const { return devicePath_; }

    // Writes bytes to the library as they are; false if the far end is gone.
    bool Send(const std::string& bytes);
    // Writes bytes in pieces cut at `cuts` (offsets), pausing between them.
    bool SendInPieces(const std::string& bytes, const std::vector<size_t>& cuts,
                      std::chrono::milliseconds pause);

    // Everything the library has written so far, line by line.
    std::vector<ReceivedLine> Received() const;
    // Waits until at least `count` lines have arrived; false at the deadline.
    bool WaitForLines(size_t count, std::chrono::milliseconds timeout) const;
    void ClearReceived();

    // Called on the emulator's thread for each line the library writes.
    void OnCommand(std::function<void(const std::string&)> handler);
    // Whether Received() keeps the lines (the default); a long-running
    // emulator that only answers commands turns it off.
    void KeepReceived(bool keep);

    // Closes this side, as when a USB adapter is pulled.
    void Hangup();

    // Waits until the library has read everything sent so far; false at the deadline.
    bool WaitUntilRead(std::chrono::milliseconds timeout) const;

    // Makes the module run at `baud` bits/s: while the library's port is set
    // to any other speed (the pseudo-terminal's setting, read from this
    // side), every byte either way arrives garbled, as on a real line with
    // mismatched rates. 0, the default, passes everything. False for a rate
    // a serial port cannot be set to.
    bool RunAtLineSpeed(unsigned baud);

private:
    void Capture();
    // True while the speed of the port on `master` differs from the module's.
    bool SpeedMismatch(int master) const;

    int master_ = -1;
    int slave_ = -1;
    int stopFd_ = -1;
    std::string devicePath_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<ReceivedLine> lines_;
    std::string partial_;
    std::function<void(const std::string&)> handler_;
    bool keep_ = true;
    std::atomic<unsigned> lineSpeed_{0};
    std::mutex writeMutex_;
    std::thread capture_;
};

}  // namespace rdstmc::emulator
