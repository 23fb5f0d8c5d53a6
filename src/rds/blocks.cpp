#include "rds/blocks.h"

#include <cmath>
#include <cstring>

namespace rdstmc::rds {
namespace {

// The standard's date conversion divides by multiplying with these
// reciprocals; taking them bit for bit keeps every truncation where the
// receiver-side formula puts it.
double DoubleFromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
const double kInverseYearLength = DoubleFromBits(0x3F666DB072F2284DULL);   // 1 / 365.25
const double kInverseMonthLength = DoubleFromBits(0x3FA0BB627B5C1C3FULL);  // 1 / 30.6001

constexpr int kFirstValidMjd = 15079;  // 1900-03-01
constexpr int kLastValidMjd = 88127;   // 2100-02-28

}  // namespace

ClockTime ClockTimeOf(uint16_t b, uint16_t c, uint16_t d) {
    ClockTime t;
    t.mjd = ((b & 0x3) << 15) | ((c >> 1) & 0x7FFF);
    t.hour = ((c & 0x1) << 4) | ((d >> 12) & 0xF);
    t.minute = (d >> 6) & 0x3F;
    t.offsetHalfHours = ((d >> 5) & 1 ? -1 : 1) * (d & 0x1F);
    return t;
}

bool IsValid(const ClockTime& t) {
    return t.mjd >= kFirstValidMjd && t.mjd <= kLastValidMjd && t.hour <= 23 && t.minute <= 59;
}

Date DateOfMjd(int mjd) {
    const double yearPrime = std::trunc((mjd - 15078.2) * kInverseYearLength);
    const double yearDays = std::trunc(yearPrime * 365.25);
    const double monthPrime = std::trunc((mjd - 14956.1 - yearDays) * kInverseMonthLength);
    const double day = mjd - 14956 - yearDays - std::trunc(monthPrime * 30.6001);
    const int k = (monthPrime == 14.0 || monthPrime == 15.0) ? 1 : 0;
    Date date;
    date.year = 1900 + static_cast<int>(yearPrime) + k;
    date.month = static_cast<int>(monthPrime) - 1 - 12 * k;
    date.day = static_cast<int>(day);
    date.weekDay = (mjd + 2) % 7 + 1;
    return date;
}

}  // namespace rdstmc::rds
