#include "tmc/picture_text.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace rdstmc::picture_text {
namespace {

// Version 2 added the country code at the end of each message; version 1
// files are still read, their messages with the country unknown.
constexpr char kHeader[] = "rdstmc traffic picture 2";
constexpr char kHeaderVersion1[] = "rdstmc traffic picture 1";
static_assert(sizeof kHeader == sizeof kHeaderVersion1, "both versions' headers have one length");
constexpr int64_t kMaxTime = int64_t{1} << 40;  // far beyond any date a message can name
constexpr int64_t kMaxOffsetMinutes = 15 * 60;

uint32_t Fnv1a(const char* data, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * 16777619u;
    return hash;
}

// Walks the fields of a stored message in the one order the text has them,
// for writing and reading alike: field(member, min, max) for each number,
// list(count, capacity, element) for each list, element(i) then walking
// the fields of its i-th entry.
template <class Stored, class Field, class List>
void Walk(Stored& s, Field&& field, List&& list, int version = 2) {
    auto& m = s.message;
    field(s.firstReceived, 0, kMaxTime);
    field(s.lastReceived, 0, kMaxTime);
    field(s.expires, 0, kMaxTime);
    field(s.updateClass, 0, 255);
    field(m.pi, 0, 0xFFFF);
    field(m.ltn, -1, 63);
    field(m.encrypted, 0, 1);
    field(m.groups, 1, 5);
    field(m.continuityIndex, 0, 7);
    field(m.duration, 0, 7);
    field(m.diversion, 0, 1);
    field(m.negativeDirection, 0, 1);
    field(m.extent, 0, 255);
    field(m.location, 0, 0xFFFF);
    field(m.urgencyChange, -16, 16);
    field(m.directionalityChanged, 0, 1);
    field(m.durationTypeChanged, 0, 1);
    field(m.spokenDurationChanged, 0, 1);
    field(m.lengthOfRoute, -1, 31);
    field(m.speedLimit, -1, 31);
    field(m.startTime, -1, 255);
    field(m.stopTime, -1, 255);
    field(m.reservedLabels, 0, 1);
    list(m.eventCount, TmcMessage::kMaxEvents, [&](int i) {
        field(m.events[i], 0, 2047);
        field(m.eventBlock[i], 0, 255);
    });
    list(m.quantifierCount, TmcMessage::kMaxItems, [&](int i) {
        field(m.quantifiers[i].event, 0, TmcMessage::kMaxEvents - 1);
        field(m.quantifiers[i].bits, 5, 8);
        field(m.quantifiers[i].value, 0, 255);
    });
    list(m.supplementaryCount, TmcMessage::kMaxItems, [&](int i) { field(m.supplementary[i], 0, 255); });
    list(m.diversionCount, TmcMessage::kMaxItems, [&](int i) { field(m.diversionRoute[i], 0, 0xFFFF); });
    list(m.destinationCount, TmcMessage::kMaxItems, [&](int i) { field(m.destinations[i], 0, 0xFFFF); });
    list(m.crossLinkCount, TmcMessage::kMaxItems, [&](int i) { field(m.crossLinks[i], 0, 0xFFFF); });
    if (version >= 2) field(m.ecc, -1, 255);
}

// Reads space-separated decimal numbers from one line, which must outlive it.
class LineReader {
public:
    explicit LineReader(const char* line) : at_(line) {}
    bool Number(int64_t& value) {
        while (*at_ == ' ') ++at_;
        if (*at_ == 0) return false;
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(at_, &end, 10);
        if (end == at_ || errno != 0 || (*end != ' ' && *end != 0)) return false;
        at_ = end;
        value = v;
        return true;
    }
    bool AtEnd() {
        while (*at_ == ' ') ++at_;
        return *at_ == 0;
    }

private:
    const char* at_;
};

}  // namespace

std::string Write(int localOffsetMinutes, const std::vector<TmcStoredMessage>& messages) {
    std::string out = std::string(kHeader) + "\noffset " + std::to_string(localOffsetMinutes) + "\n";
    for (const TmcStoredMessage& stored : messages) {
        std::string line = "m";
        const auto field = [&](const auto& member, int64_t, int64_t) {
            line += ' ';
            line += std::to_string(static_cast<int64_t>(member));
        };
        const auto list = [&](const int& count, int, const auto& element) {
            line += ' ';
            line += std::to_string(count);
            for (int i = 0; i < count; ++i) element(i);
        };
        Walk(stored, field, list);
        out += line + "\n";
    }
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "%08" PRIx32, Fnv1a(out.data(), out.size()));
    return out + "end " + std::to_string(messages.size()) + " " + checksum + "\n";
}

bool Read(const std::string& text, int& localOffsetMinutes, std::vector<TmcStoredMessage>& messages,
          std::string& error) {
    const size_t endLine = text.rfind("end ");
    const int version = text.compare(0, sizeof kHeader - 1, kHeader) == 0                    ? 2
                        : text.compare(0, sizeof kHeaderVersion1 - 1, kHeaderVersion1) == 0 ? 1
                                                                                            : 0;
    if (version == 0 || text.size() <= sizeof kHeader ||
        text[sizeof kHeader - 1] != '\n') {
        error = "not a traffic picture (it does not begin with \"" + std::string(kHeader) + "\")";
        return false;
    }
    if (endLine == std::string::npos || (endLine > 0 && text[endLine - 1] != '\n') || text.back() != '\n') {
        error = "the picture is cut off (its closing line is missing)";
        return false;
    }
    // "end <count> <8 hex digits>" and the text's last line feed.
    const std::string closing = text.substr(endLine + 4, text.size() - endLine - 5);
    const size_t space = closing.find(' ');
    char* stop = nullptr;
    const unsigned long long count = std::strtoull(closing.c_str(), &stop, 10);
    const unsigned long checksum =
        space == std::string::npos ? 0 : std::strtoul(closing.c_str() + space + 1, nullptr, 16);
    if (space == std::string::npos || stop != closing.c_str() + space || closing.size() != space + 9 ||
        closing.find_first_not_of("0123456789abcdef", space + 1) != std::string::npos) {
        error = "the picture's closing line is damaged";
        return false;
    }
    if (checksum != Fnv1a(text.data(), endLine)) {
        error = "the picture is damaged (its checksum does not match)";
        return false;
    }

    std::vector<TmcStoredMessage> read;
    int offset = 0;
    size_t at = sizeof kHeader;
    for (int lineNumber = 2; at < endLine; ++lineNumber) {
        const size_t next = text.find('\n', at);
        const std::string line = text.substr(at, next - at);
        at = next + 1;
        const std::string where = "picture line " + std::to_string(lineNumber);
        if (line.compare(0, 7, "offset ") == 0 && lineNumber == 2) {
            LineReader r(line.c_str() + 7);
            int64_t v = 0;
            if (!r.Number(v) || !r.AtEnd() || v < -kMaxOffsetMinutes || v > kMaxOffsetMinutes) {
                error = where + ": a bad local time offset";
                return false;
            }
            offset = static_cast<int>(v);
            continue;
        }
        if (line.compare(0, 2, "m ") != 0) {
            error = where + ": not a message";
            return false;
        }
        TmcStoredMessage stored{};
        stored.message.ecc = -1;
        LineReader r(line.c_str() + 2);
        bool ok = true;
        const auto field = [&](auto& member, int64_t min, int64_t max) {
            int64_t v = 0;
            ok = ok && r.Number(v) && v >= min && v <= max;
            if (ok) member = static_cast<std::remove_reference_t<decltype(member)>>(v);
        };
        const auto list = [&](int& items, int capacity, const auto& element) {
            int64_t n = 0;
            ok = ok && r.Number(n) && n >= 0 && n <= capacity;
            if (!ok) return;
            items = static_cast<int>(n);
            for (int i = 0; i < items && ok; ++i) element(i);
        };
        Walk(stored, field, list, version);
        if (!ok || !r.AtEnd() || stored.message.eventCount < 1) {
            error = where + ": a message with fields missing or out of range";
            return false;
        }
        read.push_back(stored);
    }
    if (read.size() != count) {
        error = "the picture says it holds " + std::to_string(count) + " messages but has " + std::to_string(read.size());
        return false;
    }
    localOffsetMinutes = offset;
    messages = std::move(read);
    return true;
}

}  // namespace rdstmc::picture_text
