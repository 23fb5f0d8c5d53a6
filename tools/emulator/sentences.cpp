#include "sentences.h"

#include <cstdio>

namespace rdstmc::emulator {
namespace {

unsigned Checksum(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) {
        if (c == '*') break;
        if (c != '$') sum ^= static_cast<unsigned char>(c);
    }
    return sum & 0xFF;
}

std::string WithChecksum(const std::string& body, unsigned sum) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return body + tail;
}

}  // namespace

std::string Frame(const std::string& body) { return WithChecksum(body, Checksum(body)); }

std::string FrameWithBadChecksum(const std::string& body) { return WithChecksum(body, Checksum(body) ^ 0x5A); }

std::string TuningSentence(int wireFrequency, int quality) {
    return Frame("$PLTTQ," + std::to_string(wireFrequency) + "," + std::to_string(quality) + ",0,0,0");
}

std::string GroupSentence(unsigned a, unsigned b, unsigned c, unsigned d) {
    char out[kGroupSentenceSize];
    return std::string(out, WriteGroupSentence(a, b, c, d, out));
}

size_t WriteGroupSentence(unsigned a, unsigned b, unsigned c, unsigned d, char* out) {
    static const char kHex[] = "0123456789ABCDEF";
    char* p = out;
    for (const char* s = "$PLTTR,0"; *s; ++s) *p++ = *s;
    for (unsigned block : {a, b, c, d}) {
        *p++ = ',';
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + block % 10);
        } while ((block /= 10) != 0);
        while (n > 0) *p++ = digits[--n];
    }
    unsigned sum = 0;
    for (const char* q = out + 1; q < p; ++q) sum ^= static_cast<unsigned char>(*q);
    *p++ = '*';
    *p++ = kHex[(sum >> 4) & 0xF];
    *p++ = kHex[sum & 0xF];
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<size_t>(p - out);
}

std::string StationSentence(const std::string& eightChars) { return Frame("$PLTCH,\"" + eightChars + "\""); }

}  // namespace rdstmc::emulator
