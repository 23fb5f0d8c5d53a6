#include "tmc/calendar.h"

namespace rdstmc::calendar {

// Counting years from March makes the leap day the last day of the year, so
// the day of the year follows from the month by one linear formula; eras of
// 400 years repeat exactly.
int64_t DaysFromDate(const Date& d) {
    const int64_t y = d.year - (d.month <= 2 ? 1 : 0);
    const int64_t era = FloorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t monthFromMarch = (d.month + 9) % 12;
    const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + d.day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr int64_t kDaysFrom0000_03_01To1970 = 719468;
    return era * 146097 + dayOfEra - kDaysFrom0000_03_01To1970;
}

Date DateFromDays(int64_t days) {
    const int64_t z = days + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
}

}  // namespace rdstmc::calendar
