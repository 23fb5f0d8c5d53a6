#include "recording_clock.h"

#include <chrono>
#include <cstdlib>
#include <vector>

#include <rdstmc_tmc.h>

#include "recording.h"

namespace rdstmc::monitor {
namespace {

int64_t WallClockUtcMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The clock time of a "$PLTTR" sentence carrying a 4A group, if it is one.
bool ClockTimeOf(std::string_view sentence, int64_t& utcSeconds) {
    if (sentence.compare(0, 7, "$PLTTR,") != 0) return false;
    long fields[5];
    const char* at = sentence.data() + 7;  // the record's line feed ends every number
    for (long& f : fields) {
        char* end = nullptr;
        f = std::strtol(at, &end, 10);
        if (end == at || (*end != ',' && *end != '*')) return false;
        at = end + 1;
    }
    const uint32_t a = static_cast<uint32_t>(fields[1]) & 0xFFFF, b = static_cast<uint32_t>(fields[2]) & 0xFFFF;
    const uint32_t c = static_cast<uint32_t>(fields[3]) & 0xFFFF, d = static_cast<uint32_t>(fields[4]) & 0xFFFF;
    int offset = 0;
    return TmcClockTimeOf(a << 16 | b, c << 16 | d, utcSeconds, offset);
}

}  // namespace

int64_t WallClockUtc() { return WallClockUtcMs() / 1000; }

RecordingClock::RecordingClock() = default;

RecordingClock::RecordingClock(const ReplaySource& recording) : replaying_(true) {
    latestUtcMs_ = WallClockUtcMs();
    RecordStream records(recording);
    int32_t stamp = 0;
    std::string_view sentence;
    if (!records.Next(stamp, sentence)) return;
    latestTick_ = static_cast<uint32_t>(stamp);
    // Read up to the first clock time only: a station sends one a minute.
    do {
        int64_t utc = 0;
        if (!ClockTimeOf(sentence, utc)) continue;
        // The recording's first sentence lies this far before it.
        const int32_t before = static_cast<int32_t>(static_cast<uint32_t>(stamp) - latestTick_);
        latestUtcMs_ = utc * 1000 - before;
        return;
    } while (records.Next(stamp, sentence));
}

int64_t RecordingClock::At(uint32_t tick) {
    if (!replaying_) return WallClockUtc();
    std::lock_guard<std::mutex> guard(mutex_);
    latestUtcMs_ += static_cast<int32_t>(tick - latestTick_);
    latestTick_ = tick;
    return latestUtcMs_ / 1000;
}

int64_t RecordingClock::Now() {
    if (!replaying_) return WallClockUtc();
    std::lock_guard<std::mutex> guard(mutex_);
    return latestUtcMs_ / 1000;
}

}  // namespace rdstmc::monitor
