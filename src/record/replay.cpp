#include "record/replay.h"

#include <cstring>

#include "record/log_record.h"

namespace rdstmc {
namespace {

constexpr unsigned kBatchPauseMs = 1000;

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
    for (;;) {
        char* lineFeed = static_cast<char*>(std::memchr(lineStart, '\n', static_cast<size_t>(end - lineStart)));
        if (lineFeed == nullptr) {
            needMore = true;
            cursor = lineStart;
            return;
        }
        char* const lineEnd = lineFeed + 1;
        uint32_t stamp = 0;
        size_t sentenceAt = 0;
        if (ParseLogRecord(lineStart, lineEnd, stamp, sentenceAt)) {
            if (!batch.open) {
                batch.open = true;
                batch.base = stamp;
            } else if (stamp - batch.base >= kBatchSpanMs) {
                batch.open = false;
                needMore = false;
                cursor = lineStart;
                return;
            }
            sink(context, stamp, lineStart + sentenceAt, lineEnd);
        }
        lineStart = lineEnd;
        if (!running.load()) {
            cursor = lineStart;
            return;
        }
    }
}

}  // namespace rdstmc
