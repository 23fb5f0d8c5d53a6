// Cutting a byte stream into validated sentences.
#pragma once
#include <cstddef>

namespace rdstmc {

struct ReceiverState;

// Receives one valid line: zero-terminated, from its '$' through its line
// feed, `length` bytes without the terminator. Valid only during the call.
using SentenceSink = void (*)(void* context, const char* line, size_t length);

// Finds every complete, checksum-valid line in [start, end) and hands each to
// `sink` in order; bytes before a '$', lines with a wrong or missing
// checksum, and lines longer than kMaxLineLength are dropped. An unfinished
// line is moved to `start` and `remainder` says how long it is, so the caller
// appends the next bytes after it; only an unfinished line that already fills
// kReceiveBufferSize is dropped, so the caller always has room to read.
// Keeps no state between calls: a pure function of the bytes.
void SplitSentences(char* start, char* end, size_t& remainder, SentenceSink sink, void* context);

// SplitSentences with the library's own sink: each line is logged (when
// `loggingAllowed` and `receiver` logs) and then dispatched to its decoders.
void ProcessBuffer(ReceiverState& receiver, char* start, char* end, size_t& remainder, bool loggingAllowed);

}  // namespace rdstmc
