// Fuzz entry point for the sentence path: arbitrary bytes, read in pieces as
// the serial reader reads them, through the splitter's checks and every
// decoder. Any crash, sanitizer report or broken promise of the splitter
// aborts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/seams.h"
#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "link/sentence.h"  // the buffer limits
#include "rdstmc.h"

namespace {

using namespace rdstmc;

void Require(bool condition) {
    if (!condition) std::abort();
}

// What SplitSentences promises of every line it hands on.
void CheckLine(void*, const char* line, size_t length) {
    Require(length >= 6 && length <= kMaxLineLength);
    Require(line[0] == '$' && line[length - 1] == '\n' && line[length] == '\0');
    const char* star = static_cast<const char*>(std::memchr(line, '*', length));
    Require(star != nullptr && star + 2 < line + length);
    unsigned sum = 0;
    for (const char* p = line; p < star; ++p) {
        if (*p != '$') sum ^= static_cast<unsigned char>(*p);
    }
    const char digits[3] = {star[1], star[2], 0};
    Require(std::strtoul(digits, nullptr, 16) == sum);
}

struct Quiet : ITmcFrequencyListener, ITmcRdsListener, ITmcStatusListener, ITmcRawDataListener {
    void OnFrequencyChanged(int, int, unsigned char) override {}
    void OnRadioText(const unsigned short* t) override { Require(t != nullptr); }
    void OnRdsTime(const TmcRdsTime&) override {}
    void OnStationName(int, const unsigned short* n) override { Require(n != nullptr); }
    void OnAlternativeFrequencies(const int* l) override { Require(l != nullptr); }
    void OnStatusChanged(const TmcStatus&) override {}
    void OnRawData(const unsigned int&, const unsigned int&) override {}
};

bool Terminated(const unsigned short* text, size_t capacity) {
    for (size_t i = 0; i < capacity; ++i) {
        if (text[i] == 0) return true;
    }
    return false;
}

// Feeds `data` as a reader would: into the receive buffer after what was
// carried over, in pieces whose sizes the input's first byte chooses.
template <typename Process>
void Stream(const uint8_t* data, size_t size, Process process) {
    const size_t piece = size > 0 ? 1 + data[0] % 97 : 1;
    char buffer[kReceiveBufferSize];
    size_t carried = 0;
    for (size_t at = 0; at < size;) {
        const size_t n = std::min({piece, size - at, sizeof buffer - carried});
        std::memcpy(buffer + carried, data + at, n);
        at += n;
        process(buffer, buffer + carried + n, carried);
        Require(carried < sizeof buffer);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Quiet* quiet = [] {
        auto* q = new Quiet;
        Connect(static_cast<ITmcFrequencyListener*>(q));
        Connect(static_cast<ITmcRdsListener*>(q));
        Connect(static_cast<ITmcStatusListener*>(q));
        Connect(static_cast<ITmcRawDataListener*>(q));
        // Queries answer as during a replay.
        test::SetQueriesAvailable(true);
        return q;
    }();
    (void)quiet;

    Stream(data, size, [](char* start, char* end, size_t& carried) {
        SplitSentences(start, end, carried, CheckLine, nullptr);
    });
    Stream(data, size, [](char* start, char* end, size_t& carried) { ProcessBuffer(State(), start, end, carried, true); });

    // The decoded record stays within its bounds whatever came in.
    int f, list[25];
    unsigned long pi;
    unsigned short text[65];
    TmcRdsTime time;
    Require(TmcGetTunerFrequency(f) && TmcGetRdsHealth(f) && f >= 0 && f <= 10);
    Require(TmcGetRdsAF(list));
    Require(TmcGetRdsStation(pi, text, 9) && Terminated(text, 9));
    Require(TmcGetRadioText(text, 65) && Terminated(text, 65));
    Require(TmcGetRdsTime(time) && time.reserved == 0);
    return 0;
}
