// A run on a recording: the library's log played back, paced by its stamps,
// through the same framing and decoders as live data (but never logged).
#include <cstring>

#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "record/replay.h"
#include "session/receiver.h"
#include "session/run.h"
#include "text/text.h"

namespace rdstmc::session {
namespace {

constexpr size_t kMaxReplayPathLength = 255;

void ReplayToLibrary(void* receiver, uint32_t stamp, char* sentence, char* end) {
    ReceiverState& s = *static_cast<ReceiverState*>(receiver);
    s.sentenceTick.store(stamp);
    // A replay plays at its recorded pace: its activity follows the clock as live data's does.
    s.scratch.receivedTick = platform::TickCount();
    size_t remainder;
    ProcessBuffer(s, sentence, end, remainder, false);
}

void EndReplay(ReceiverState& s) {
    s.replayRunning.store(false);
    SignalRunEnded(s);
}

struct Playing {
    ReceiverState& receiver;
    platform::File file;
};

long ReadFromFile(void* context, char* buffer, size_t capacity) {
    return platform::FileRead(static_cast<Playing*>(context)->file, buffer, capacity);
}

void PauseUnlessStopped(void* context, unsigned ms) { static_cast<Playing*>(context)->receiver.stopSignal.Wait(ms); }

void ReplayWorker(void* arg) {
    ReceiverState& s = *static_cast<ReceiverState*>(arg);
    Playing playing{s, platform::FileOpenExisting(s.replayPath)};
    platform::File& file = playing.file;
    s.replayFile.store(file.handle);
    PlayRecording(ReadFromFile, PauseUnlessStopped, &playing, s.replayRunning, ReplayToLibrary, &s);
    s.replayFile.store(-1);
    platform::FileClose(file);
    EndReplay(s);
}

TmcError StartLocked(ReceiverState& s, const unsigned short path[]) {
    if (const TmcError refused = MayStartRun(s)) return refused;
    char native[sizeof s.replayPath];
    if (path == nullptr || path[0] == 0 || text::WideLength(path, kMaxReplayPathLength + 1) > kMaxReplayPathLength ||
        !text::WideToNativePath(path, native, sizeof native)) {
        return TmcErrorBadArgument;
    }
    platform::OpenFailure why;
    platform::File file = platform::FileOpenExisting(native, &why);
    if (!file.IsOpen()) return ErrorOf(why);
    char byte;
    const long n = platform::FileRead(file, &byte, 1);
    platform::FileClose(file);
    if (n < 0) return TmcErrorOther;
    if (n == 0) return TmcErrorBadArgument;

    ZeroFillPublished(s);
    std::memcpy(s.replayPath, native, sizeof native);
    s.replayRunning.store(true);
    if (!s.dataWorker.Start(ReplayWorker, &s, "rdstmc-replay")) {
        s.replayRunning.store(false);
        return TmcErrorOther;
    }
    if (!StartStatusWorker(s)) {
        EndReplay(s);
        return TmcErrorOther;
    }
    return TmcErrorNone;
}

}  // namespace
}  // namespace rdstmc::session

namespace rdstmc {

bool StartSimulation(ReceiverState& s, const unsigned short path[]) {
    bool started;
    {
        platform::LockGuard guard(s.lifecycleLock);
        started = session::Outcome(s, session::StartLocked(s, path));
    }
    if (started) session::OpenStatusGate(s);
    return started;
}

bool StopSimulation(ReceiverState& s) {
    platform::LockGuard guard(s.lifecycleLock);
    if (!s.replayRunning.exchange(false)) return false;
    session::SignalRunEnded(s);
    return true;
}

}  // namespace rdstmc

bool TmcStartSimulation(const unsigned short path[]) { return rdstmc::StartSimulation(rdstmc::State(), path); }
bool TmcStopSimulation() { return rdstmc::StopSimulation(rdstmc::State()); }
