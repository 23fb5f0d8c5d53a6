// The time-stamped sentence log.
#pragma once
#include <cstddef>

namespace rdstmc {

// Longest record: "[-2147483648]," and a 255-byte line.
constexpr size_t kLogRecordSize = 14 + 255 + 1;

// Appends "[tick]," and the line (`length` bytes, through its line feed) to
// the log file as one record, when logging is on. The file is opened and
// closed for each record so it can be moved or copied between records; a
// record that cannot be written is lost, nothing else is affected.
void WriteLogLine(const char* line, size_t length);

// Formats one record into out[kLogRecordSize]; returns its length.
size_t FormatLogRecord(int tick, const char* line, size_t length, char* out);

}  // namespace rdstmc
