// Playing a sentence log back in place of a receiver.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace rdstmc {

constexpr size_t kReplayBufferSize = 1024;
// A batch holds the lines stamped within this long of its first line.
constexpr uint32_t kBatchSpanMs = 1000;

// A batch in progress; it survives a refill of the buffer, so a batch that
// reaches the end of the buffered data goes on after the refill.
struct ReplayBatchState {
    bool open = false;
    uint32_t base = 0;
};

// Receives one qualifying sentence, [sentence, end) ending just past its line
// feed, with the stamp its record carries.
using ReplayLineSink = void (*)(void* context, uint32_t stamp, char* sentence, char* end);

// Walks log lines from `cursor`, handing each line's sentence to `sink`
// while its stamp lies within kBatchSpanMs of the batch's first (unsigned
// 32-bit difference, so stamps that wrapped or turned negative still play).
// Returns with `cursor` at the line that opens the next batch (needMore
// false), or at an unfinished line at `end` (needMore true). A line counts
// when it has a "[stamp]" and its last '$' or '[' is a '$'; others are
// skipped. Stops early, leaving the rest, when `running` clears.
void ReplayBatch(char*& cursor, char* end, bool& needMore, ReplayBatchState& batch,
                 const std::atomic<bool>& running, ReplayLineSink sink, void* context);

// Where PlayRecording gets its bytes: up to `capacity` of them into
// `buffer`; 0 at the end of the recording, negative on a read error.
using ReplayReader = long (*)(void* context, char* buffer, size_t capacity);
// Waits between batches; returns early when the replay is stopped.
using ReplayPause = void (*)(void* context, unsigned ms);

// Plays a whole recording through `sink`, batch by batch, pausing a second
// after each batch (and after the last), in a buffer of kReplayBufferSize
// bytes refilled as lines are used up. Ends at the end of the data, on a
// read error, on a line too long for the buffer, or when `running` clears.
void PlayRecording(ReplayReader read, ReplayPause pause, void* context, const std::atomic<bool>& running,
                   ReplayLineSink sink, void* sinkContext);

}  // namespace rdstmc
