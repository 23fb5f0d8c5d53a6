// Turns RDS group recordings from other receivers and decoders into the
// library's log format, so they can be replayed.
//
// Understood: RDS Spy logs (lines "PPPP BBBB CCCC DDDD @YYYY/MM/DD HH:MM:SS.ss")
// and plain hexadecimal group lists (four blocks per line, or one run of 16
// digits). Each complete group becomes one "$PLTTR" record.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// Converts group by group, for sources of millions of groups: each call
// gives the next record, a tuning report first when the source names its
// frequency before its first group, then a "$PLTTR" record per complete
// group. `frequencyMhz` > 0 names the frequency; 0 takes it from a header
// line of the source that names one ("96.9 MHz", "Frequency: 96.9"), if any.
class GroupConverter {
public:
    // `input` must outlive the converter.
    GroupConverter(std::string_view input, double frequencyMhz);
    // The next record's stamp and sentence (valid until the next call); false at the end.
    bool Next(int32_t& stamp, std::string_view& sentence);
    // The same without writing a group's sentence: a group record gives its
    // blocks A to D and `isGroup`; any other record (the tuning report) its sentence.
    bool NextRecord(int32_t& stamp, std::string_view& sentence, uint16_t blocks[4], bool& isGroup);
    // What was read so far (the log itself is left empty).
    const Conversion& Counts() const { return counts_; }
    bool TuningWritten() const { return tuningWritten_; }

private:
    std::string_view input_;
    size_t at_ = 0;
    Conversion counts_;
    std::vector<std::string_view> tokens_;
    char record_[64];
    bool tuningDone_ = false, tuningWritten_ = false, haveFirst_ = false, cutOff_ = false;
    long long firstMs_ = 0, lastStamp_ = kFirstStamp;
};

// The whole source at once, as a recording in the library's log format; a
// frequency named anywhere in it tunes before the first group.
Conversion Convert(const std::string& input, double frequencyMhz);

}  // namespace rdstmc::convert
