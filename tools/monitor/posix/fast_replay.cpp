#include "fast_replay.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include <rdstmc.h>

#include "receiver_emulator.h"
#include "recording.h"

namespace rdstmc::monitor {
namespace {

using namespace std::chrono_literals;

// A longer silence in the recording is played as this much, before scaling.
constexpr auto kLongestGap = 10s;
constexpr auto kReadDeadline = 30s;
// Any rate works on a pseudo-terminal; this is the library's usual one.
constexpr unsigned kBaud = 38400;

}  // namespace

struct FastReplay::Player {
    void Play(double speed);

    std::vector<emulator::RecordedSentence> sentences;
    std::unique_ptr<emulator::ReceiverEmulator> receiver;
    std::atomic<bool> stop{false}, finished{false};
    std::thread thread;
};

FastReplay::FastReplay() : player_(std::make_unique<Player>()) {}

FastReplay::~FastReplay() { Stop(); }

bool FastReplay::Start(const std::string& path, double speed, std::string& error) {
    Player& p = *player_;
    if (!emulator::ReadRecording(path, p.sentences, error)) {
        error = path + ": " + error;
        return false;
    }
    try {
        p.receiver = std::make_unique<emulator::ReceiverEmulator>();
    } catch (const std::exception& e) {
        error = std::string("no pseudo-terminal to play through: ") + e.what();
        return false;
    }
    p.receiver->KeepReceived(false);
    if (!TmcOpen(p.receiver->DevicePath().c_str(), kBaud)) {
        error = "the library could not open the pseudo-terminal " + p.receiver->DevicePath();
        return false;
    }
    p.thread = std::thread([&p, speed] { p.Play(speed); });
    return true;
}

bool FastReplay::Finished() const { return player_->finished.load(); }

void FastReplay::Player::Play(double speed) {
    auto at = emulator::Clock::now();
    for (size_t i = 0; i < sentences.size() && !stop.load(); ++i) {
        if (speed > 0 && i > 0) {
            using Duration = emulator::Clock::duration;
            // Unsigned, as the tick wraps; a step back plays at once.
            const uint32_t gap =
                static_cast<uint32_t>(sentences[i].stamp) - static_cast<uint32_t>(sentences[i - 1].stamp);
            const Duration recorded =
                gap >= 0x80000000u ? Duration::zero() : std::min<Duration>(std::chrono::milliseconds(gap), kLongestGap);
            at += std::chrono::duration_cast<Duration>(recorded / speed);
            while (!stop.load() && emulator::Clock::now() < at) {
                std::this_thread::sleep_for(std::min<Duration>(at - emulator::Clock::now(), 50ms));
            }
        }
        if (!receiver->Send(sentences[i].sentence)) break;
    }
    if (!stop.load()) receiver->WaitUntilRead(kReadDeadline);
    finished.store(true);
}

void FastReplay::Stop() {
    Player& p = *player_;
    p.stop.store(true);
    if (p.thread.joinable()) p.thread.join();
    if (p.receiver) {
        TmcClose();
        p.receiver.reset();
    }
}

}  // namespace rdstmc::monitor
