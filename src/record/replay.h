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

// Receives one qualifying sentence, [sentence, end) ending just past its line feed.
using ReplayLineSink = void (*)(void* context, char* sentence, char* end);

// Walks log lines from `cursor`, handing each line's sentence to `sink`
// while its stamp lies within kBatchSpanMs of the batch's first (unsigned
// 32-bit difference, so stamps that wrapped or turned negative still play).
// Returns with `cursor` at the line that opens the next batch (needMore
// false), or at an unfinished line at `end` (needMore true). A line counts
// when it has a "[stamp]" and its last '$' or '[' is a '$'; others are
// skipped. Stops early, leaving the rest, when `running` clears.
void ReplayBatch(char*& cursor, char* end, bool& needMore, ReplayBatchState& batch,
                 const std::atomic<bool>& running, ReplayLineSink sink, void* context);

}  // namespace rdstmc
