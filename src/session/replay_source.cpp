// A run on a recording: the library's log played back, paced by its stamps,
// through the same framing and decoders as live data (but never logged).
#include <cstring>

#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "platform/file.h"
#include "record/replay.h"
#include "session/run.h"
#include "text/text.h"

namespace rdstmc::session {
namespace {

constexpr size_t kMaxReplayPathLength = 255;

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
    if (!MayStartRun()) return false;
    char native[sizeof s.replayPath];
    if (path == nullptr || text::WideLength(path, kMaxReplayPathLength + 1) > kMaxReplayPathLength ||
        !text::WideToNativePath(path, native, sizeof native)) {
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
}  // namespace rdstmc::session

bool TmcStartSimulation(const unsigned short path[]) {
    rdstmc::ReceiverState& s = rdstmc::State();
    bool started;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        started = rdstmc::session::StartLocked(path);
    }
    if (started) rdstmc::session::OpenStatusGate();
    return started;
}

bool TmcStopSimulation() {
    rdstmc::ReceiverState& s = rdstmc::State();
    rdstmc::platform::LockGuard guard(s.lifecycleLock);
    if (!s.replayRunning.exchange(false)) return false;
    rdstmc::session::SignalRunEnded();
    return true;
}
