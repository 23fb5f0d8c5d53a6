#include "converter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "recording.h"
#include "sentences.h"
#include "tool_support.h"

namespace rdstmc::convert {
namespace {

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> out;
    std::string token;
    for (char c : line) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ';') {
            if (!token.empty()) out.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty()) out.push_back(token);
    return out;
}

bool IsHex(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// A block: four hex digits, or "----" for one received with errors.
enum class Block { kValue, kMissing, kNone };
Block ReadBlock(const std::string& s, unsigned& value) {
    if (s == "----") return Block::kMissing;
    if (s.size() != 4 || !IsHex(s)) return Block::kNone;
    value = static_cast<unsigned>(std::strtoul(s.c_str(), nullptr, 16));
    return Block::kValue;
}

// "@YYYY/MM/DD" (or with '-') and "HH:MM:SS[.fraction]" to milliseconds.
bool ReadTime(const std::string& date, const std::string& time, long long& ms) {
    int y, mo, d, h, mi;
    char s1, s2;
    if (std::sscanf(date.c_str(), "@%d%c%d%c%d", &y, &s1, &mo, &s2, &d) != 5) return false;
    if ((s1 != '/' && s1 != '-') || s2 != s1 || mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    double sec = 0;
    if (std::sscanf(time.c_str(), "%d:%d:%lf", &h, &mi, &sec) != 3) return false;
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec >= 61) return false;
    ms = tools::DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400000LL +
         (h * 3600LL + mi * 60LL) * 1000 + std::llround(sec * 1000);
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

Conversion Convert(const std::string& input, double frequencyMhz) {
    Conversion result;
    if (frequencyMhz > 0) result.frequency = static_cast<int>(std::lround(frequencyMhz * 100));
    std::vector<Group> groups;
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        const std::string line = input.substr(start, end - start);
        start = end + 1;
        const std::vector<std::string> t = Tokens(line);
        if (t.empty()) continue;

        Group g{};
        size_t next = 4;
        bool missing = false, isGroup = false;
        if (t[0].size() == 16 && IsHex(t[0])) {
            for (int i = 0; i < 4; ++i)
                g.blocks[i] = static_cast<unsigned>(std::strtoul(t[0].substr(4 * i, 4).c_str(), nullptr, 16));
            isGroup = true;
            next = 1;
        } else if (t.size() >= 4) {
            isGroup = true;
            for (int i = 0; i < 4 && isGroup; ++i) {
                const Block b = ReadBlock(t[static_cast<size_t>(i)], g.blocks[i]);
                isGroup = b != Block::kNone;
                missing = missing || b == Block::kMissing;
            }
        }
        if (!isGroup) {
            if (result.frequency == 0) result.frequency = FrequencyOnLine(line);
            ++result.otherLines;
            continue;
        }
        if (missing) {
            ++result.incomplete;
            continue;
        }
        for (size_t i = next; i + 1 < t.size(); ++i) {
            if (t[i][0] == '@' && ReadTime(t[i], t[i + 1], g.ms)) {
                g.timed = true;
                break;
            }
        }
        groups.push_back(g);
    }

    long long firstMs = 0, lastStamp = kFirstStamp;
    bool haveFirst = false;
    if (result.frequency != 0)
        result.log += emulator::LogRecord(kFirstStamp, emulator::TuningSentence(result.frequency, kAssumedQuality));
    for (size_t i = 0; i < groups.size(); ++i) {
        const Group& g = groups[i];
        long long stamp;
        if (g.timed) {
            if (!haveFirst) {
                // Untimed groups before it keep their places; this one follows them.
                const long long at = i == 0 ? kFirstStamp : lastStamp + std::lround(kGroupPeriodMs);
                firstMs = g.ms - (at - kFirstStamp);
                haveFirst = true;
            }
            result.timed = true;
            // A clock set back in the source must not make time run backwards.
            stamp = std::max(lastStamp, kFirstStamp + (g.ms - firstMs));
        } else {
            // At the group rate, spaced from the start so the rounding does not add up.
            stamp = haveFirst ? lastStamp + std::lround(kGroupPeriodMs)
                              : kFirstStamp + std::llround(static_cast<double>(i) * kGroupPeriodMs);
        }
        // Stamps are printed as signed 32-bit numbers; a source spanning
        // more than 24 days is cut there.
        if (stamp > INT32_MAX) break;
        lastStamp = stamp;
        result.log += emulator::LogRecord(static_cast<int32_t>(stamp),
                                          emulator::GroupSentence(g.blocks[0], g.blocks[1], g.blocks[2], g.blocks[3]));
        ++result.groups;
    }
    return result;
}

}  // namespace rdstmc::convert
