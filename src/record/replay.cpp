#include "record/replay.h"

#include <cstring>

namespace rdstmc {
namespace {

constexpr unsigned kBatchPauseMs = 1000;

// The decimal stamp after a '[' (sign allowed, wrapping modulo 2^32).
uint32_t ParseStamp(const char* p) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<uint32_t>(*p++ - '0');
    return negative ? 0u - value : value;
}

}  // namespace

void PlayRecording(ReplayReader read, ReplayPause pause, void* context, const std::atomic<bool>& running,
                   ReplayLineSink sink, void* sinkContext) {
    char buffer[kReplayBufferSize];
    const long first = read(context, buffer, sizeof buffer);
    if (first <= 0) return;
    char* cursor = buffer;
    char* end = buffer + first;
    bool needMore = false;
    ReplayBatchState batch;
    while (running.load()) {
        if (!needMore) {
            ReplayBatch(cursor, end, needMore, batch, running, sink, sinkContext);
            // A batch cut by the end of the buffer goes on at once after the
            // refill: pausing there would stretch the recording.
            if (!needMore) pause(context, kBatchPauseMs);
            continue;
        }
        const size_t kept = static_cast<size_t>(end - cursor);
        std::memmove(buffer, cursor, kept);
        const long n = read(context, buffer + kept, sizeof buffer - kept);
        if (n <= 0) {
            // End of file, or a line too long for the buffer. The last batch
            // still gets its second, as every batch does, so clients can
            // read what it left before the replay ends.
            if (batch.open) pause(context, kBatchPauseMs);
            return;
        }
        cursor = buffer;
        end = buffer + kept + n;
        needMore = false;
    }
}

void ReplayBatch(char*& cursor, char* end, bool& needMore, ReplayBatchState& batch,
                 const std::atomic<bool>& running, ReplayLineSink sink, void* context) {
    if (!running.load()) return;
    char* lineStart = cursor;
    char* marker = lineStart;
    bool hasStamp = false;
    uint32_t stamp = 0;
    for (char* p = lineStart;; ++p) {
        if (p == end) {
            needMore = true;
            cursor = lineStart;
            return;
        }
        const char c = *p;
        if (c == '[' || c == '$') {
            marker = p;
        } else if (c == ']' && *marker == '[') {
            stamp = ParseStamp(marker + 1);
            hasStamp = true;
        } else if (c == '\n') {
            if (*marker == '$' && hasStamp) {
                if (!batch.open) {
                    batch.open = true;
                    batch.base = stamp;
                } else if (stamp - batch.base >= kBatchSpanMs) {
                    batch.open = false;
                    needMore = false;
                    cursor = lineStart;
                    return;
                }
                sink(context, stamp, marker, p + 1);
            }
            lineStart = p + 1;
            marker = lineStart;
            hasStamp = false;
            if (!running.load()) {
                cursor = lineStart;
                return;
            }
        }
    }
}

}  // namespace rdstmc
