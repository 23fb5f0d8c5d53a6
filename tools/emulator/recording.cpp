#include "recording.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rdstmc::emulator {

std::string LogRecord(int32_t stamp, const std::string& sentence) {
    return "[" + std::to_string(stamp) + "]," + sentence;
}

std::vector<RecordedSentence> ParseRecording(const std::string& text) {
    std::vector<RecordedSentence> out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t feed = text.find('\n', start);
        if (feed == std::string::npos) break;  // an unfinished last line is not played
        // As the replay reads a line: the sentence starts at the last '$'
        // that no later '[' follows, the stamp is the last bracketed number.
        const std::string line = text.substr(start, feed + 1 - start);
        start = feed + 1;
        const size_t dollar = line.rfind('$');
        const size_t open = line.rfind('[', dollar == std::string::npos ? std::string::npos : dollar);
        if (dollar == std::string::npos || open == std::string::npos) continue;
        if (line.find('[', dollar) != std::string::npos) continue;
        const size_t close = line.find(']', open);
        if (close == std::string::npos || close > dollar) continue;
        // Stamps are the module's wrapping millisecond tick, printed signed:
        // taken modulo 2^32 as the replay takes them.
        const long long stamp = std::strtoll(line.c_str() + open + 1, nullptr, 10);
        out.push_back({static_cast<int32_t>(static_cast<uint32_t>(stamp)), line.substr(dollar)});
    }
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
