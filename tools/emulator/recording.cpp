#include "recording.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rdstmc::emulator {

std::chrono::milliseconds PlaybackGap(int32_t previous, int32_t stamp) {
    const uint32_t gap = static_cast<uint32_t>(stamp) - static_cast<uint32_t>(previous);
    if (gap >= 0x80000000u) return std::chrono::milliseconds::zero();
    return std::min(std::chrono::milliseconds(gap), kLongestPlaybackGap);
}

std::string LogRecord(int32_t stamp, const std::string& sentence) {
    return "[" + std::to_string(stamp) + "]," + sentence;
}

bool RecordReader::Next(int32_t& stamp, std::string_view& sentence) {
    while (at_ < end_) {
        const char* feed = static_cast<const char*>(std::memchr(at_, '\n', static_cast<size_t>(end_ - at_)));
        if (feed == nullptr) break;  // an unfinished last line is not played
        const char* line = at_;
        at_ = feed + 1;
        // As the replay reads a line: the sentence starts at the last '$'
        // that no later '[' follows, the stamp is the last bracketed number.
        const char* dollar = nullptr;
        for (const char* p = feed; p >= line && *p != '['; --p) {
            if (*p == '$') {
                dollar = p;
                break;
            }
        }
        if (dollar == nullptr) continue;
        const char* open = dollar;
        while (open >= line && *open != '[') --open;
        if (open < line || std::memchr(open, ']', static_cast<size_t>(dollar - open)) == nullptr) continue;
        // Stamps are the module's wrapping millisecond tick, printed signed:
        // taken modulo 2^32 as the replay takes them.
        stamp = static_cast<int32_t>(static_cast<uint32_t>(std::strtoll(open + 1, nullptr, 10)));
        sentence = std::string_view(dollar, static_cast<size_t>(at_ - dollar));
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
