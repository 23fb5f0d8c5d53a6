// The time line the traffic picture runs on: the wall clock for a live
// receiver; for a recording, its own time, so messages expire in a replay
// at any speed as they did on air.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "replay_source.h"

namespace rdstmc::monitor {

class RecordingClock {
public:
    // The wall clock, in UTC.
    RecordingClock();
    // A recording's time: the stamps of its records placed on the time line
    // of its first clock-time group (4A), or, without one, starting now.
    explicit RecordingClock(const ReplaySource& recording);

    // UTC seconds of a sentence received at `tick` (TmcGetSentenceTick); the
    // wall clock ignores the tick. Sentences come in order, so ticks that
    // wrapped past 2^32 keep counting on. Any thread.
    int64_t At(uint32_t tick);
    // UTC seconds now: the wall clock, or the time of the latest sentence.
    int64_t Now();
    bool Replaying() const { return replaying_; }

private:
    bool replaying_ = false;
    std::mutex mutex_;
    int64_t latestUtcMs_ = 0;  // replay: the time of the latest sentence
    uint32_t latestTick_ = 0;
};

// UTC seconds of the wall clock.
int64_t WallClockUtc();

}  // namespace rdstmc::monitor
