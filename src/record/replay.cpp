#include "record/replay.h"

#include <cstring>

#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "link/runs.h"
#include "platform/file.h"
#include "platform/text.h"

namespace rdstmc {
namespace {

constexpr unsigned kBatchPauseMs = 1000;
constexpr size_t kMaxReplayPathLength = 255;

// The decimal stamp after a '[' (sign allowed, wrapping modulo 2^32).
uint32_t ParseStamp(const char* p) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<uint32_t>(*p++ - '0');
    return negative ? 0u - value : value;
}

void ReplayToLibrary(void*, uint32_t stamp, char* sentence, char* end) {
    State().sentenceTick.store(stamp);
    size_t remainder;
    ProcessBuffer(sentence, end, remainder, false);
}

void EndReplay(ReceiverState& s) {
    s.replayRunning.store(false);
    SignalRunEnded();
}

long ReadFromFile(void* context, char* buffer, size_t capacity) {
    return platform::FileRead(*static_cast<platform::File*>(context), buffer, capacity);
}

void PauseUnlessStopped(void*, unsigned ms) { State().stopSignal.Wait(ms); }

void ReplayWorker(void*) {
    ReceiverState& s = State();
    platform::File file = platform::FileOpenExisting(s.replayPath);
    s.replayFile.store(file.handle);
    PlayRecording(ReadFromFile, PauseUnlessStopped, &file, s.replayRunning, ReplayToLibrary, nullptr);
    s.replayFile.store(-1);
    platform::FileClose(file);
    EndReplay(s);
}

bool StartLocked(const unsigned short path[]) {
    ReceiverState& s = State();
    if (s.portOpen.load() || s.replayRunning.load()) return false;
    if (!EndPreviousRun()) return false;
    char native[sizeof s.replayPath];
    if (path == nullptr || platform::WideLength(path, kMaxReplayPathLength + 1) > kMaxReplayPathLength ||
        !platform::WideToNativePath(path, native, sizeof native)) {
        return false;
    }
    platform::File file = platform::FileOpenExisting(native);
    char byte;
    const long n = platform::FileRead(file, &byte, 1);
    platform::FileClose(file);
    if (n <= 0) return false;

    ZeroFillPublished();
    std::memcpy(s.replayPath, native, sizeof native);
    s.replayRunning.store(true);
    if (!s.dataWorker.Start(ReplayWorker, nullptr, "rdstmc-replay")) {
        s.replayRunning.store(false);
        return false;
    }
    if (!StartStatusWorker()) {
        EndReplay(s);
        return false;
    }
    return true;
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

bool TmcStartSimulation(const unsigned short path[]) {
    rdstmc::ReceiverState& s = rdstmc::State();
    bool started;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        started = rdstmc::StartLocked(path);
    }
    if (started) rdstmc::OpenStatusGate();
    return started;
}

bool TmcStopSimulation() {
    rdstmc::ReceiverState& s = rdstmc::State();
    rdstmc::platform::LockGuard guard(s.lifecycleLock);
    if (!s.replayRunning.exchange(false)) return false;
    rdstmc::SignalRunEnded();
    return true;
}
