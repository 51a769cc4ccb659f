// Date-time values (days since 1899-12-30 00:00, the fraction being the time of day) and the
// whole-second figures of the process readout.
#pragma once

#include <cstdint>

namespace qm {

// A calendar date and time of day, as SYSTEMTIME carries it (without the day of the week).
struct SystemTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Days from 1899-12-30 to the date (proleptic Gregorian) plus the time of day as a fraction:
// 1899-12-30 gives 0, 1900-01-01 gives 2, 2000-01-01 12:00 gives 36526.5. Throws
// std::out_of_range for a field outside its range (years 1 to 9999, real calendar days).
double SystemTimeToDateTime(const SystemTime& time);

// value shifted by a signed number of minutes: (value * 1440 + minutes) / 1440.
double AddMinutes(double value, std::int64_t minutes);

// |b - a| days in whole seconds, truncated toward zero (never rounded up).
std::int64_t WholeSecondsBetween(double a, double b);

// A FILETIME duration (100-ns units) in whole seconds, truncated.
std::uint64_t FileTimeToWholeSeconds(std::uint64_t count);

// Whole seconds between two FILETIME instants, absolute and truncated: the age of the process
// from its creation time and the current time, both in UTC, so neither the time zone nor
// daylight saving time can shift it.
std::uint64_t ElapsedWholeSeconds(std::uint64_t fromFileTime, std::uint64_t toFileTime);

}  // namespace qm
