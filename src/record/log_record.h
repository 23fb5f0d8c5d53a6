// The sentence log's record, "[stamp]," and a sentence through its line
// feed: the one place that writes it and the one place that reads it, so
// the recorder, the replay, the C reader and the tools agree on every line.
// Depends on nothing but the C library, so the tools compile it too.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rdstmc {

// Longest record: "[-2147483648]," and a 255-byte line.
constexpr size_t kLogRecordSize = 14 + 255 + 1;

// Writes "[stamp]," and `length` bytes of `line` to out[kLogRecordSize],
// never past it (a longer line is cut); returns the record's length. The
// stamp is the wrapping 32-bit tick printed signed, as logs always had it.
size_t FormatLogRecord(int32_t stamp, const char* line, size_t length, char* out);

// Reads one line of a log, [line, end), `end` just past its line feed. True
// when it is a record the replay plays: its last '$' or '[' is a '$' (the
// sentence, which runs from there to `end`) and a "[number]" comes before
// it. The last such stamp counts; it may be signed and is taken modulo
// 2^32, so records made after 2^31 ms of uptime read as any other.
// `sentenceAt` is where the sentence starts, counted from `line`.
bool ParseLogRecord(const char* line, const char* end, uint32_t& stamp, size_t& sentenceAt);

}  // namespace rdstmc
