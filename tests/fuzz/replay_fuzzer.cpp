// Fuzz entry point for replay: arbitrary recordings, read in pieces of
// varying size, through the real batch walker and refill loop into the
// sentence path. Pauses are skipped, so a long recording plays at once.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/seams.h"
#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "record/replay.h"

namespace {

using namespace rdstmc;

void Require(bool condition) {
    if (!condition) std::abort();
}

struct Recording {
    const uint8_t* data;
    size_t size;
    size_t at;
    size_t piece;  // the most one read returns, as a file at its end or a slow disk might
};

long ReadPiece(void* context, char* buffer, size_t capacity) {
    auto* r = static_cast<Recording*>(context);
    Require(capacity <= kReplayBufferSize);  // 0 when one line fills the buffer
    const size_t n = std::min({capacity, r->size - r->at, r->piece});
    std::memcpy(buffer, r->data + r->at, n);
    r->at += n;
    return static_cast<long>(n);
}

void NoPause(void*, unsigned ms) { Require(ms == 1000); }

// What the walker promises of each sentence: one line, from its '$'
// through its line feed, inside the buffer.
void CheckAndPlay(void*, uint32_t, char* sentence, char* end) {
    Require(end > sentence && static_cast<size_t>(end - sentence) <= kReplayBufferSize);
    Require(sentence[0] == '$' && end[-1] == '\n');
    Require(std::memchr(sentence, '\n', static_cast<size_t>(end - sentence)) == end - 1);
    size_t remainder;
    ProcessBuffer(State(), sentence, end, remainder, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool available = [] {
        test::SetQueriesAvailable(true);
        return true;
    }();
    (void)available;
    if (size == 0) return 0;
    Recording r{data + 1, size - 1, 0, 1 + static_cast<size_t>(data[0]) * 5};
    const std::atomic<bool> running{true};
    PlayRecording(ReadPiece, NoPause, &r, running, CheckAndPlay, nullptr);
    return 0;
}
