// Playing a recording faster than the library's own replay, which keeps to
// one recorded second per second: the monitor reads the recording and feeds
// its sentences to the library (TmcOpenFeed), paced by their stamps or not
// at all, on every system.
#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "replay_source.h"

namespace rdstmc::monitor {

class FastReplay {
public:
    FastReplay() = default;
    ~FastReplay();
    FastReplay(const FastReplay&) = delete;
    FastReplay& operator=(const FastReplay&) = delete;

    // Opens a feed and starts playing `source` (which outlives the replay)
    // at `speed` times its recorded pace (0: as fast as it goes). False,
    // with a reason, when the library refuses.
    bool Start(const ReplaySource& source, double speed, std::string& error);
    // True once every sentence has been handled.
    bool Finished() const { return finished_.load(); }
    // The stamp of the sentence being handled (the last one, once finished):
    // the recording's own time, for the listeners called while it is fed.
    bool SentenceTick(unsigned& tick) const;
    // What converting the source read, once finished; null for a recording
    // in the log format.
    const convert::Conversion* Converted() const;
    // Stops playing (if still playing) and closes the feed.
    void Stop();

private:
    void Play(double speed);

    std::optional<RecordStream> records_;
    std::atomic<uint32_t> stamp_{0};
    std::atomic<bool> stop_{false}, finished_{false}, started_{false};
    std::thread thread_;
};

}  // namespace rdstmc::monitor
