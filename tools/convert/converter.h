// Turns RDS group recordings from other receivers and decoders into the
// library's log format, so they can be replayed.
//
// Understood: RDS Spy logs (lines "PPPP BBBB CCCC DDDD @YYYY/MM/DD HH:MM:SS.ss")
// and plain hexadecimal group lists (four blocks per line, or one run of 16
// digits). Each complete group becomes one "$PLTTR" record.
#pragma once
#include <string>

namespace rdstmc::convert {

struct Conversion {
    std::string log;         // the records, ready to be written
    unsigned groups = 0;     // groups written
    unsigned incomplete = 0; // groups skipped for a missing block ("----")
    unsigned otherLines = 0; // non-empty lines that held no group
    bool timed = false;      // stamps came from the source's own times
    int frequency = 0;       // 10 kHz units of the leading "$PLTTQ"; 0 if none
};

// Quality figure written into the leading tuning report; sources carry none.
constexpr int kAssumedQuality = 50;
// Stamp of the first record.
constexpr int kFirstStamp = 1000;
// Spacing of untimed groups: 104 bits at 1187.5 bit/s.
constexpr double kGroupPeriodMs = 104 * 1000.0 / 1187.5;

// `frequencyMhz` > 0 names the frequency; 0 takes it from a header line of
// the source that names one ("96.9 MHz", "Frequency: 96.9"), if any.
Conversion Convert(const std::string& input, double frequencyMhz);

}  // namespace rdstmc::convert
