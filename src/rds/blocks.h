// What the blocks of a group say, decoded once for every decoder of the
// library: the classic listeners, the full RDS decoder and the TMC
// decoder each take their facts from here and keep only their own rules
// of what to report and when. Block layouts are those of IEC 62106.
#pragma once
#include <cstdint>

#include "rdstmc_rds.h"

namespace rdstmc::rds {

// Programme type and traffic programme, in block B of every group.
inline int ProgrammeType(uint16_t b) { return (b >> 5) & 0x1F; }
inline int TrafficProgramme(uint16_t b) { return (b >> 10) & 1; }

// Alternative-frequency codes, two to a block.
constexpr unsigned kAfFirstCarrier = 1, kAfLastCarrier = 204, kAfFiller = 205;
constexpr unsigned kAfNoFrequencies = 224, kAfLastCount = 249, kAfLfMfFollows = 250;
// Whether `code` opens a list, and of how many frequencies (0-25).
inline bool IsAfCount(unsigned code) { return code >= kAfNoFrequencies && code <= kAfLastCount; }
inline int AfCount(unsigned code) { return static_cast<int>(code - kAfNoFrequencies); }
// The FM carrier of `code` in 100 kHz units (876 = 87.6 MHz, to 1079); 0 for
// a code that is none (fillers, counts, markers).
inline int FmCarrier(unsigned code) {
    return code >= kAfFirstCarrier && code <= kAfLastCarrier ? 875 + static_cast<int>(code) : 0;
}
// The LF (from 153 kHz) or MF (from 531 kHz) frequency of `code`, in 9 kHz
// steps, as a code after the LF/MF marker means it; 0 for none.
inline int LfMfKilohertz(unsigned code) {
    if (code >= 1 && code <= 15) return 153 + 9 * static_cast<int>(code - 1);
    if (code >= 16 && code <= 135) return 531 + 9 * static_cast<int>(code - 16);
    return 0;
}

// The two characters of a block, high byte first.
inline void BlockBytes(uint16_t block, unsigned char out[2]) {
    out[0] = static_cast<unsigned char>(block >> 8);
    out[1] = static_cast<unsigned char>(block & 0xFF);
}

// A segment of the programme service name (0A, 0B, 15B): its address 0-3
// and, in block D, its two characters.
inline int ServiceNameAddress(uint16_t b) { return b & 0x3; }

// A segment of radio text: its address 0-15, its A/B flag, and its
// characters: four (C and D) in 2A, two (D) in 2B.
struct RadioTextSegment {
    int address;
    int abFlag;
    int width;
    unsigned char chars[4];
};
inline RadioTextSegment RadioTextSegmentOf(uint16_t b, uint16_t c, uint16_t d) {
    RadioTextSegment s = {b & 0xF, (b >> 4) & 1, 4, {}};
    if (RdsGroupTypeOf(b) == kRdsGroup2B) {
        s.width = 2;
        BlockBytes(d, s.chars);
    } else {
        BlockBytes(c, s.chars);
        BlockBytes(d, s.chars + 2);
    }
    return s;
}

// The clock time of a 4A group as sent: modified Julian day, UTC hour and
// minute, and the local offset in signed half hours.
struct ClockTime {
    int mjd;
    int hour, minute;
    int offsetHalfHours;
};
ClockTime ClockTimeOf(uint16_t b, uint16_t c, uint16_t d);
// Whether it names a real moment: a day the standard's date conversion
// holds for (1 March 1900 to 28 February 2100; a station without a clock
// sends day 0) and an hour and minute that exist.
bool IsValid(const ClockTime& t);
// The date of a modified Julian day by the standard's conversion, and its
// week day (1 Monday to 7 Sunday); right for the days IsValid accepts.
struct Date {
    int year, month, day, weekDay;
};
Date DateOfMjd(int mjd);

}  // namespace rdstmc::rds
