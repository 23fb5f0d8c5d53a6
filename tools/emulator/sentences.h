// The receiver's sentences, built as a module sends them; used by the
// emulator, the tools and the tests on every platform.
#pragma once
#include <string>

namespace rdstmc::emulator {

// "<body>*HH\r\n" with the body's checksum ('$' left out, up to '*').
std::string Frame(const std::string& body);
// The same with a checksum that is deliberately wrong.
std::string FrameWithBadChecksum(const std::string& body);

// Sentence builders for the inbound kinds the library decodes.
std::string TuningSentence(int wireFrequency, int quality);  // "$PLTTQ"
std::string GroupSentence(unsigned a, unsigned b, unsigned c, unsigned d);  // "$PLTTR"
// The same written into `out` (at least kGroupSentenceSize bytes, no
// terminator); returns its length. For converting many groups quickly.
constexpr size_t kGroupSentenceSize = 64;
size_t WriteGroupSentence(unsigned a, unsigned b, unsigned c, unsigned d, char* out);
std::string StationSentence(const std::string& eightChars);  // "$PLTCH"

}  // namespace rdstmc::emulator
