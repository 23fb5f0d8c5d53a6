// Recordings in the library's log format: "[tick]," and a sentence through
// its CR LF, one record per line. Written by the library's log, by the
// converter and by the recording generator; read by the emulator.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rdstmc::emulator {

struct RecordedSentence {
    int32_t stamp;         // milliseconds, as recorded; compare as unsigned differences
    std::string sentence;  // from its '$' through its line feed
};

// A silence longer than this in a recording plays as this long, so a
// recording made across a pause does not look like a hung receiver.
inline constexpr std::chrono::milliseconds kLongestPlaybackGap{10000};

// The wait between a record stamped `previous` and the next one, stamped
// `stamp`: their difference as the tick wraps, none for a step back, at
// most kLongestPlaybackGap.
std::chrono::milliseconds PlaybackGap(int32_t previous, int32_t stamp);

// One record: "[stamp]," followed by the sentence, as the library's log writes it.
std::string LogRecord(int32_t stamp, std::string_view sentence);
void AppendLogRecord(std::string& out, int32_t stamp, std::string_view sentence);

// The records the library's replay would play, in file order: lines with a
// "[stamp]" and a sentence after it. False, with a reason, if the
// file cannot be read.
bool ReadRecording(const std::string& path, std::vector<RecordedSentence>& out, std::string& error);

// The same, from text already in memory.
std::vector<RecordedSentence> ParseRecording(const std::string& text);

// The records of a text one at a time, as views into it (which must outlive
// the reader): no copy and no allocation, for recordings of millions.
class RecordReader {
public:
    explicit RecordReader(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {}
    // The next record; false at the end.
    bool Next(int32_t& stamp, std::string_view& sentence);

private:
    const char* at_;
    const char* end_;
};

}  // namespace rdstmc::emulator
