#include "recording.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "record/log_record.h"

namespace rdstmc::emulator {

std::chrono::milliseconds PlaybackGap(int32_t previous, int32_t stamp) {
    const uint32_t gap = static_cast<uint32_t>(stamp) - static_cast<uint32_t>(previous);
    if (gap >= 0x80000000u) return std::chrono::milliseconds::zero();
    return std::min(std::chrono::milliseconds(gap), kLongestPlaybackGap);
}

void AppendLogRecord(std::string& out, int32_t stamp, std::string_view sentence) {
    char record[kLogRecordSize];
    out.append(record, FormatLogRecord(stamp, sentence.data(), sentence.size(), record));
}

std::string LogRecord(int32_t stamp, std::string_view sentence) {
    std::string record;
    AppendLogRecord(record, stamp, sentence);
    return record;
}

bool RecordReader::Next(int32_t& stamp, std::string_view& sentence) {
    while (at_ < end_) {
        const char* feed = static_cast<const char*>(std::memchr(at_, '\n', static_cast<size_t>(end_ - at_)));
        if (feed == nullptr) break;  // an unfinished last line is not played
        const char* line = at_;
        at_ = feed + 1;
        uint32_t stamp32 = 0;
        size_t sentenceAt = 0;
        if (!ParseLogRecord(line, at_, stamp32, sentenceAt)) continue;
        stamp = static_cast<int32_t>(stamp32);
        sentence = std::string_view(line + sentenceAt, static_cast<size_t>(at_ - line) - sentenceAt);
        return true;
    }
    at_ = end_;
    return false;
}

std::vector<RecordedSentence> ParseRecording(const std::string& text) {
    std::vector<RecordedSentence> out;
    RecordReader reader(text);
    int32_t stamp;
    std::string_view sentence;
    while (reader.Next(stamp, sentence)) out.push_back({stamp, std::string(sentence)});
    return out;
}

bool ReadRecording(const std::string& path, std::vector<RecordedSentence>& out, std::string& error) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = "read error";
        return false;
    }
    out = ParseRecording(text.str());
    return true;
}

}  // namespace rdstmc::emulator
