#include "link/sentence.h"

#include <cstring>

namespace rdstmc {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

const char* const kIdentifiers[kSentenceKindCount] = {
    "$PLTTS", "$PLTTF", "$PLTTQ", "$PLTCH", "$PLTMT",
    "$PLTRD", "$PLTTM", "$PLTTR", "$PLTFD", "$PLTCF",
};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

void ChecksumDigits(uint8_t sum, char out[2]) {
    out[0] = kHexDigits[sum >> 4];
    out[1] = kHexDigits[sum & 0xF];
}

uint8_t ComputeChecksum(const char* text) {
    const char* star = std::strchr(text, '*');
    return ComputeChecksum(text, star != nullptr ? star : text + std::strlen(text));
}

uint8_t ComputeChecksum(const char* begin, const char* end) {
    // Eight bytes at a time: every sentence passes through here. XOR is its
    // own inverse, so each '$' is taken out again afterwards.
    uint64_t wide = 0;
    const char* p = begin;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        wide ^= word;
    }
    uint8_t sum = 0;
    for (int shift = 0; shift < 64; shift += 8) sum ^= static_cast<uint8_t>(wide >> shift);
    for (; p < end; ++p) sum ^= static_cast<uint8_t>(*p);
    for (const char* dollar = begin;
         (dollar = static_cast<const char*>(std::memchr(dollar, '$', static_cast<size_t>(end - dollar)))) != nullptr;
         ++dollar) {
        sum ^= static_cast<uint8_t>('$');
    }
    return sum;
}

bool ReadField(const char*& cursor, const char* lineEnd, int& value) {
    // The common field, digits with an optional sign, read in one pass: its
    // delimiter comes straight after them.
    {
        const char* p = cursor;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = (*p++ == '-');
        uint32_t magnitude = 0;
        for (; *p >= '0' && *p <= '9'; ++p) magnitude = magnitude * 10u + static_cast<uint32_t>(*p - '0');
        if (p < lineEnd && (*p == ',' || *p == '*')) {
            value = static_cast<int>(negative ? 0u - magnitude : magnitude);
            cursor = p + 1;
            return true;
        }
    }
    const char* delimiter = cursor;
    while (delimiter < lineEnd && *delimiter != ',' && *delimiter != '*') ++delimiter;
    if (delimiter >= lineEnd) return false;

    // The receiver's fields are read with the classic ASCII-to-integer rule,
    // so a module that puts text in a field it does not use still has its
    // sentences applied. The delimiter ends the digits by itself.
    const char* p = cursor;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint32_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) magnitude = magnitude * 10u + static_cast<uint32_t>(*p - '0');
    value = static_cast<int>(negative ? 0u - magnitude : magnitude);
    cursor = delimiter + 1;
    return true;
}

SentenceKind ClassifySentence(const char* line) {
    // Every identifier is "$PLT" and two letters: the prefix once, then the
    // letters in table order (a shorter line stops at its terminator).
    if (std::strncmp(line, "$PLT", 4) != 0) return kSentenceUnknown;
    for (int kind = 0; kind < kSentenceKindCount; ++kind) {
        if (line[4] == kIdentifiers[kind][4] && line[5] == kIdentifiers[kind][5]) return static_cast<SentenceKind>(kind);
    }
    return kSentenceUnknown;
}

size_t FrameSentence(const char* text, char* out) {
    const size_t length = std::strlen(text);
    if (length > kMaxCommandLength) return 0;
    const uint8_t sum = ComputeChecksum(text);
    std::memcpy(out, text, length);
    out[length] = '*';
    ChecksumDigits(sum, out + length + 1);
    out[length + 3] = '\r';
    out[length + 4] = '\n';
    out[length + 5] = 0;
    return length + 5;
}

}  // namespace rdstmc
