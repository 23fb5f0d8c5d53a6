#include "record/log_record.h"

#include <cstdio>
#include <cstring>

namespace rdstmc {
namespace {

// The number after a '[': an optional sign and digits, modulo 2^32; no
// digits read as 0, as an empty "[]" always has.
uint32_t ParseStamp(const char* p, const char* end) {
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = (*p++ == '-');
    uint32_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    return negative ? 0u - value : value;
}

}  // namespace

size_t FormatLogRecord(int32_t stamp, const char* line, size_t length, char* out) {
    const int written = std::snprintf(out, kLogRecordSize, "[%ld],", static_cast<long>(stamp));
    const size_t head = static_cast<size_t>(written);
    const size_t room = kLogRecordSize - head;
    const size_t copied = length < room ? length : room;
    std::memcpy(out + head, line, copied);
    return head + copied;
}

bool ParseLogRecord(const char* line, const char* end, uint32_t& stamp, size_t& sentenceAt) {
    const char* marker = nullptr;
    bool hasStamp = false;
    for (const char* p = line; p < end; ++p) {
        if (*p == '[' || *p == '$') {
            marker = p;
        } else if (*p == ']' && marker != nullptr && *marker == '[') {
            stamp = ParseStamp(marker + 1, p);
            hasStamp = true;
        }
    }
    if (marker == nullptr || *marker != '$' || !hasStamp) return false;
    sentenceAt = static_cast<size_t>(marker - line);
    return true;
}

}  // namespace rdstmc
