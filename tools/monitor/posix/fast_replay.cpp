#include "fast_replay.h"

#include <chrono>
#include <stdexcept>

#include <rdstmc.h>

namespace rdstmc::monitor {
namespace {

using namespace std::chrono_literals;

// A longer silence in the recording is played as this much, before scaling.
constexpr auto kLongestGap = 10s;
constexpr auto kReadDeadline = 30s;
// Any rate works on a pseudo-terminal; this is the library's usual one.
constexpr unsigned kBaud = 38400;

}  // namespace

FastReplay::~FastReplay() { Stop(); }

bool FastReplay::Start(const std::string& path, double speed, std::string& error) {
    if (!emulator::ReadRecording(path, sentences_, error)) {
        error = path + ": " + error;
        return false;
    }
    try {
        receiver_ = std::make_unique<emulator::ReceiverEmulator>();
    } catch (const std::exception& e) {
        error = std::string("no pseudo-terminal to play through: ") + e.what();
        return false;
    }
    receiver_->KeepReceived(false);
    if (!TmcOpen(receiver_->DevicePath().c_str(), kBaud)) {
        error = "the library could not open the pseudo-terminal " + receiver_->DevicePath();
        return false;
    }
    player_ = std::thread([this, speed] { Play(speed); });
    return true;
}

void FastReplay::Play(double speed) {
    auto at = emulator::Clock::now();
    for (size_t i = 0; i < sentences_.size() && !stop_.load(); ++i) {
        if (speed > 0 && i > 0) {
            using Duration = emulator::Clock::duration;
            // Unsigned, as the tick wraps; a step back plays at once.
            const uint32_t gap =
                static_cast<uint32_t>(sentences_[i].stamp) - static_cast<uint32_t>(sentences_[i - 1].stamp);
            const Duration recorded =
                gap >= 0x80000000u ? Duration::zero() : std::min<Duration>(std::chrono::milliseconds(gap), kLongestGap);
            at += std::chrono::duration_cast<Duration>(recorded / speed);
            while (!stop_.load() && emulator::Clock::now() < at) {
                std::this_thread::sleep_for(std::min<Duration>(at - emulator::Clock::now(), 50ms));
            }
        }
        if (!receiver_->Send(sentences_[i].sentence)) break;
    }
    if (!stop_.load()) receiver_->WaitUntilRead(kReadDeadline);
    finished_.store(true);
}

void FastReplay::Stop() {
    stop_.store(true);
    if (player_.joinable()) player_.join();
    if (receiver_) {
        TmcClose();
        receiver_.reset();
    }
}

}  // namespace rdstmc::monitor
