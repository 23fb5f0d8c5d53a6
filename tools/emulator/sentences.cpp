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
    return Frame("$PLTTR,0," + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
                 std::to_string(d));
}

std::string StationSentence(const std::string& eightChars) { return Frame("$PLTCH,\"" + eightChars + "\""); }

}  // namespace rdstmc::emulator
