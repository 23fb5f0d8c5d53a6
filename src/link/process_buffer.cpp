#include "link/process_buffer.h"

#include <cstring>

#include "data/dispatch.h"
#include "link/sentence.h"
#include "record/sentence_log.h"

namespace rdstmc {
namespace {

// The two characters after the line's first '*' must be the checksum in
// uppercase hexadecimal, byte for byte.
bool HasValidChecksum(const char* line) {
    const char* star = std::strchr(line, '*');
    if (star == nullptr) return false;
    char expected[2];
    ChecksumDigits(ComputeChecksum(line, star), expected);
    return star[1] == expected[0] && star[2] == expected[1];
}

struct Delivery {
    ReceiverState& receiver;
    bool loggingAllowed;
};

void DeliverToLibrary(void* context, const char* line, size_t length) {
    const Delivery& d = *static_cast<const Delivery*>(context);
    if (d.loggingAllowed) WriteLogLine(d.receiver, line, length);
    DispatchSentence(d.receiver, line, line + length - 1);
}

}  // namespace

void SplitSentences(char* start, char* end, size_t& remainder, SentenceSink sink, void* context) {
    remainder = 0;
    char* pos = start;
    while (pos < end) {
        pos = static_cast<char*>(std::memchr(pos, '$', static_cast<size_t>(end - pos)));
        if (pos == nullptr) {
            pos = end;
            break;
        }
        char* lineFeed = static_cast<char*>(std::memchr(pos, '\n', static_cast<size_t>(end - pos)));
        if (lineFeed == nullptr) break;  // unfinished: carried below

        const size_t length = static_cast<size_t>(lineFeed - pos) + 1;
        char* next = lineFeed + 1;
        if (length <= kMaxLineLength) {
            char line[kLineBufferSize];
            std::memcpy(line, pos, length);
            line[length] = 0;
            if (HasValidChecksum(line)) sink(context, line, length);
        }
        pos = next;
    }
    if (pos < end) {
        const size_t pending = static_cast<size_t>(end - pos);
        if (pending >= kReceiveBufferSize) return;  // no line feed in a whole buffer: drop it
        if (pos != start) std::memmove(start, pos, pending);
        remainder = pending;
    }
}

void ProcessBuffer(ReceiverState& receiver, char* start, char* end, size_t& remainder, bool loggingAllowed) {
    Delivery delivery{receiver, loggingAllowed};
    SplitSentences(start, end, remainder, DeliverToLibrary, &delivery);
}

}  // namespace rdstmc
