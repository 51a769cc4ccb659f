#include "core/DateTime.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace qm {

namespace {

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 0001-01-01 to the given date.
std::int64_t DaysFromYearOne(int year, int month, int day) {
    const std::int64_t y = year - 1;
    std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    return days + day - 1;
}

constexpr std::int64_t kEpochFromYearOne = 693593;  // days from 0001-01-01 to 1899-12-30
constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000;

}  // namespace

double SystemTimeToDateTime(const SystemTime& t) {
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59 || t.millisecond < 0 ||
        t.millisecond > 999) {
        throw std::out_of_range("invalid date or time");
    }
    const std::int64_t days = DaysFromYearOne(t.year, t.month, t.day) - kEpochFromYearOne;
    const double timeOfDay =
        (t.hour * 3600000.0 + t.minute * 60000.0 + t.second * 1000.0 + t.millisecond) / 86400000.0;
    return static_cast<double>(days) + timeOfDay;
}

double AddMinutes(double value, std::int64_t minutes) {
    return (value * 1440.0 + static_cast<double>(minutes)) / 1440.0;
}

std::int64_t WholeSecondsBetween(double a, double b) {
    const double seconds = (a < b ? b - a : a - b) * 86400.0;
    if (std::isnan(seconds)) return 0;
    // 2^63 as a double; anything at or above it does not fit.
    if (seconds >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(seconds);
}

std::uint64_t FileTimeToWholeSeconds(std::uint64_t count) {
    return count / kFileTimeUnitsPerSecond;
}

std::uint64_t ElapsedWholeSeconds(std::uint64_t fromFileTime, std::uint64_t toFileTime) {
    const std::uint64_t span =
        fromFileTime < toFileTime ? toFileTime - fromFileTime : fromFileTime - toFileTime;
    return span / kFileTimeUnitsPerSecond;
}

}  // namespace qm
