// The receiver's sentence format: "$PLTxx,field,...*HH\r\n".
#pragma once
#include <cstddef>
#include <cstdint>

namespace rdstmc {

// Sizes fixed by the line protocol.
constexpr size_t kLineBufferSize = 256;     // a line, its line feed and a terminator
constexpr size_t kMaxLineLength = 255;      // bytes from '$' through the line feed
constexpr size_t kMaxCommandLength = 250;   // leaves room for "*HH\r\n" and a terminator
constexpr size_t kReceiveBufferSize = 1024;

enum SentenceKind : int {
    kSentenceUnknown = -1,
    kSentenceTS = 0,  // "$PLTTS"
    kSentenceTF = 1,
    kSentenceTQ = 2,  // tuning and quality
    kSentenceCH = 3,  // station name
    kSentenceMT = 4,
    kSentenceRD = 5,
    kSentenceTM = 6,
    kSentenceTR = 7,  // one RDS group
    kSentenceFD = 8,
    kSentenceCF = 9,
};
constexpr int kSentenceKindCount = 10;

// XOR of every byte of a zero-terminated text up to its first '*', every '$'
// left out, so inbound lines and outbound texts share the routine.
uint8_t ComputeChecksum(const char* text);
// The same over [begin, end), which holds no terminator and no '*'.
uint8_t ComputeChecksum(const char* begin, const char* end);

// The checksum's two uppercase hexadecimal digits, as written on the wire.
void ChecksumDigits(uint8_t sum, char out[2]);

// Reads the field at `cursor` with the ASCII-to-integer rule (leading white
// space, an optional sign, then digits up to the first other character; no
// digits give 0; values past 32 bits wrap modulo 2^32) and moves the cursor
// past its ',' or '*'. False, cursor unchanged, only when no ',' or '*' lies
// before `lineEnd`. The first field starts at line + 7.
bool ReadField(const char*& cursor, const char* lineEnd, int& value);

// The kind of a line from its first six characters.
SentenceKind ClassifySentence(const char* line);

// Frames a command text as "<text>*HH\r\n" into out[kLineBufferSize]; returns
// the framed length, or 0 when the text is longer than kMaxCommandLength.
size_t FrameSentence(const char* text, char* out);

}  // namespace rdstmc
