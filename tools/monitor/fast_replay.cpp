#include "fast_replay.h"

#include <algorithm>
#include <chrono>

#include <rdstmc.h>
#include <rdstmc_ext.h>

namespace rdstmc::monitor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLongestSleep = 50ms;

}  // namespace

FastReplay::~FastReplay() { Stop(); }

bool FastReplay::Start(const ReplaySource& source, double speed, std::string& error) {
    records_.emplace(source);
    // No module on the other end: nothing to command.
    if (!TmcOpenFeed(nullptr, nullptr)) {
        error = "the library refused to play (is a port open or a replay running?)";
        return false;
    }
    started_ = true;
    thread_ = std::thread([this, speed] { Play(speed); });
    return true;
}

bool FastReplay::SentenceTick(unsigned& tick) const {
    if (!started_.load()) return false;
    tick = stamp_.load();
    return true;
}

void FastReplay::Play(double speed) {
    auto at = Clock::now();
    int32_t stamp = 0, previous = 0;
    std::string_view sentence;
    TmcRdsGroup group;
    bool isGroup = false;
    for (bool first = true; !stop_.load() && records_->Next(stamp, sentence, group.blocks, isGroup); first = false) {
        if (speed > 0 && !first) {
            using Duration = Clock::duration;
            const Duration recorded = emulator::PlaybackGap(previous, stamp);
            at += std::chrono::duration_cast<Duration>(recorded / speed);
            while (!stop_.load() && Clock::now() < at) {
                std::this_thread::sleep_for(std::min<Duration>(at - Clock::now(), kLongestSleep));
            }
        }
        previous = stamp;
        stamp_.store(static_cast<uint32_t>(stamp));
        // Groups go to the decoders as groups: no sentence written to be read back.
        if (isGroup) {
            TmcFeedGroup(group, static_cast<uint32_t>(stamp));
        } else {
            TmcFeed(sentence.data(), sentence.size());
        }
    }
    finished_.store(true);
}

const convert::Conversion* FastReplay::Converted() const {
    return finished_.load() && records_ ? records_->Converted() : nullptr;
}

void FastReplay::Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (started_.exchange(false)) TmcClose();
}

}  // namespace rdstmc::monitor
