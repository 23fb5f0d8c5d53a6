#include "converter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "recording.h"
#include "sentences.h"
#include "tool_support.h"

namespace rdstmc::convert {
namespace {

// Character classes by table: sources run to millions of lines.
struct CharTables {
    bool separator[256];
    signed char hex[256];  // a hexadecimal digit's value, or -1
    constexpr CharTables() : separator(), hex() {
        for (int c = 0; c < 256; ++c) {
            separator[c] = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == ',' || c == ';';
            hex[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                     : -1);
        }
    }
};
constexpr CharTables kChars;

bool Separator(char c) { return kChars.separator[static_cast<unsigned char>(c)]; }

// The value of a hexadecimal digit, or -1.
int HexDigit(char c) { return kChars.hex[static_cast<unsigned char>(c)]; }

// The line's tokens, into `out` (kept by the caller, so a long list of lines
// costs no allocation per line).
void Tokens(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && Separator(line[i])) ++i;
        const size_t from = i;
        while (i < line.size() && !Separator(line[i])) ++i;
        if (i > from) out.push_back(line.substr(from, i - from));
    }
}

unsigned HexValue(std::string_view s) {
    unsigned v = 0;
    for (char c : s) v = v * 16 + static_cast<unsigned>(HexDigit(c));
    return v;
}

bool IsHex(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (HexDigit(c) < 0) return false;
    }
    return true;
}

// "XXXX XXXX XXXX XXXX" at the start of `line`, each block four hex digits
// and a separator after each: the blocks of the group.
constexpr size_t kFourBlocksLength = 19;
bool FourBlocks(std::string_view line, unsigned blocks[4]) {
    if (line.size() < kFourBlocksLength || (line.size() > kFourBlocksLength && !Separator(line[kFourBlocksLength]))) {
        return false;
    }
    for (size_t b = 0; b < 4; ++b) {
        unsigned value = 0;
        for (size_t i = 5 * b; i < 5 * b + 4; ++i) {
            const int digit = HexDigit(line[i]);
            if (digit < 0) return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        if (b < 3 && !Separator(line[5 * b + 4])) return false;
        blocks[b] = value;
    }
    return true;
}

// A block: four hex digits, or "----" for one received with errors.
enum class Block { kValue, kMissing, kNone };
Block ReadBlock(std::string_view s, unsigned& value) {
    if (s == "----") return Block::kMissing;
    if (s.size() != 4 || !IsHex(s)) return Block::kNone;
    value = HexValue(s);
    return Block::kValue;
}

// Reads a run of 1-9 decimal digits at `at`, moving past it.
bool ReadNumber(std::string_view s, size_t& at, long long& value) {
    const size_t from = at;
    value = 0;
    while (at < s.size() && at - from < 9 && s[at] >= '0' && s[at] <= '9') value = value * 10 + (s[at++] - '0');
    return at > from;
}

bool Expect(std::string_view s, size_t& at, char c) { return at < s.size() && s[at++] == c; }

// "@YYYY/MM/DD" (or with '-') and "HH:MM:SS[.fraction]" to milliseconds.
bool ReadTime(std::string_view date, std::string_view time, long long& ms) {
    long long y, mo, d, h, mi, sec, fraction = 0;
    size_t at = 0;
    if (!Expect(date, at, '@') || !ReadNumber(date, at, y) || at >= date.size()) return false;
    const char separator = date[at];
    if ((separator != '/' && separator != '-') || !Expect(date, at, separator) || !ReadNumber(date, at, mo) ||
        !Expect(date, at, separator) || !ReadNumber(date, at, d) || at != date.size()) {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    at = 0;
    if (!ReadNumber(time, at, h) || !Expect(time, at, ':') || !ReadNumber(time, at, mi) || !Expect(time, at, ':') ||
        !ReadNumber(time, at, sec)) {
        return false;
    }
    // Milliseconds from the fraction, rounded half up.
    if (at < time.size() && time[at] == '.') {
        ++at;
        long long scale = 1000;
        int digits = 0;
        for (; at < time.size() && time[at] >= '0' && time[at] <= '9'; ++at, ++digits) {
            if (digits < 3) {
                scale /= 10;
                fraction += (time[at] - '0') * scale;
            } else if (digits == 3 && time[at] >= '5') {
                ++fraction;
            }
        }
    }
    if (at != time.size() || h > 23 || mi > 59 || sec >= 61) return false;
    ms = tools::DaysFromCivil(static_cast<int>(y), static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400000LL +
         (h * 3600LL + mi * 60LL + sec) * 1000 + fraction;
    return true;
}

// A frequency named on a header line, in 10 kHz units; 0 if none.
int FrequencyOnLine(const std::string& line) {
    std::string lower;
    for (char c : line) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("mhz") == std::string::npos && lower.find("freq") == std::string::npos) return 0;
    for (size_t i = 0; i < lower.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(lower[i])) || (i > 0 && std::isdigit(static_cast<unsigned char>(lower[i - 1]))))
            continue;
        const double mhz = std::strtod(lower.c_str() + i, nullptr);
        if (mhz >= 87.5 && mhz <= 108.0) return static_cast<int>(std::lround(mhz * 100));
    }
    return 0;
}

struct Group {
    unsigned blocks[4];
    bool timed;
    long long ms;
};

}  // namespace

GroupConverter::GroupConverter(std::string_view input, double frequencyMhz) : input_(input) {
    if (frequencyMhz > 0) counts_.frequency = static_cast<int>(std::lround(frequencyMhz * 100));
}

bool GroupConverter::Next(int32_t& stamp, std::string_view& sentence) {
    uint16_t blocks[4];
    bool isGroup = false;
    if (!NextRecord(stamp, sentence, blocks, isGroup)) return false;
    if (isGroup) {
        sentence = std::string_view(record_,
                                    emulator::WriteGroupSentence(blocks[0], blocks[1], blocks[2], blocks[3], record_));
    }
    return true;
}

bool GroupConverter::NextRecord(int32_t& stamp, std::string_view& sentence, uint16_t blocks[4], bool& isGroupRecord) {
    isGroupRecord = false;
    while (at_ < input_.size() && !cutOff_) {
        size_t end = input_.find('\n', at_);
        if (end == std::string::npos) end = input_.size();
        const std::string_view line = input_.substr(at_, end - at_);
        Group g{};
        size_t next = 4;
        bool missing = false, isGroup = false;
        if (FourBlocks(line, g.blocks)) {
            // The common line, read without splitting it: what follows the
            // blocks (an RDS Spy time) is split alone.
            isGroup = true;
            Tokens(line.substr(kFourBlocksLength), tokens_);
            next = 0;
        } else if (Tokens(line, tokens_), tokens_.empty()) {
            at_ = end + 1;
            continue;
        } else if (tokens_[0].size() == 16 && IsHex(tokens_[0])) {
            for (size_t i = 0; i < 4; ++i) g.blocks[i] = HexValue(tokens_[0].substr(4 * i, 4));
            isGroup = true;
            next = 1;
        } else if (tokens_.size() >= 4) {
            isGroup = true;
            for (int i = 0; i < 4 && isGroup; ++i) {
                const Block b = ReadBlock(tokens_[static_cast<size_t>(i)], g.blocks[i]);
                isGroup = b != Block::kNone;
                missing = missing || b == Block::kMissing;
            }
        }
        if (!isGroup || missing) {
            at_ = end + 1;
            if (missing) {
                ++counts_.incomplete;
            } else {
                if (counts_.frequency == 0) counts_.frequency = FrequencyOnLine(std::string(line));
                ++counts_.otherLines;
            }
            continue;
        }
        // The tuning report goes before the first group; the group's line is
        // read again for the next call.
        if (!tuningDone_) {
            tuningDone_ = true;
            if (counts_.frequency != 0) {
                const std::string tuning = emulator::TuningSentence(counts_.frequency, kAssumedQuality);
                const size_t n = tuning.copy(record_, sizeof record_);
                stamp = kFirstStamp;
                sentence = std::string_view(record_, n);
                tuningWritten_ = true;
                return true;
            }
        }
        at_ = end + 1;
        for (size_t i = next; i + 1 < tokens_.size(); ++i) {
            if (tokens_[i][0] == '@' && ReadTime(tokens_[i], tokens_[i + 1], g.ms)) {
                g.timed = true;
                break;
            }
        }
        const long long index = counts_.groups;
        long long at;
        if (g.timed) {
            if (!haveFirst_) {
                // Untimed groups before it keep their places; this one follows them.
                const long long place = index == 0 ? kFirstStamp : lastStamp_ + std::lround(kGroupPeriodMs);
                firstMs_ = g.ms - (place - kFirstStamp);
                haveFirst_ = true;
            }
            counts_.timed = true;
            // A clock set back in the source must not make time run backwards.
            at = std::max(lastStamp_, kFirstStamp + (g.ms - firstMs_));
        } else {
            // At the group rate, spaced from the start so the rounding does not add up.
            at = haveFirst_ ? lastStamp_ + std::lround(kGroupPeriodMs)
                            : kFirstStamp + std::llround(static_cast<double>(index) * kGroupPeriodMs);
        }
        // Stamps are printed as signed 32-bit numbers; a source spanning
        // more than 24 days is cut there.
        if (at > INT32_MAX) {
            cutOff_ = true;
            break;
        }
        lastStamp_ = at;
        stamp = static_cast<int32_t>(at);
        for (int i = 0; i < 4; ++i) blocks[i] = static_cast<uint16_t>(g.blocks[i]);
        sentence = {};
        isGroupRecord = true;
        ++counts_.groups;
        return true;
    }
    return false;
}

Conversion Convert(const std::string& input, double frequencyMhz) {
    GroupConverter converter(input, frequencyMhz);
    std::string log;
    // About the length of a record for each line of the source.
    constexpr size_t kRecordGrowth = 2;
    log.reserve(input.size() * kRecordGrowth);
    int32_t stamp;
    std::string_view sentence;
    while (converter.Next(stamp, sentence)) emulator::AppendLogRecord(log, stamp, sentence);
    Conversion result = converter.Counts();
    // A frequency named after the first group still tunes before it.
    if (result.frequency != 0 && !converter.TuningWritten()) {
        log.insert(0, emulator::LogRecord(kFirstStamp, emulator::TuningSentence(result.frequency, kAssumedQuality)));
    }
    result.log = std::move(log);
    return result;
}

}  // namespace rdstmc::convert
