// Days and dates of the proleptic Gregorian calendar, for the time codes of
// traffic messages and the clock-time group; no time zone is consulted.
#pragma once
#include <cstdint>

namespace rdstmc::calendar {

constexpr int64_t kSecondsPerDay = 86400;

struct Date {
    int year, month, day;  // month 1-12, day 1-31
};

// Days since 1970-01-01 of a date, and back.
int64_t DaysFromDate(const Date& date);
Date DateFromDays(int64_t days);

// The number of days of a month.
int DaysInMonth(int year, int month);

// Floor division, so times before 1970 fall on the right day too.
inline int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace rdstmc::calendar
