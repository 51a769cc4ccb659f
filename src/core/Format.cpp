#include "core/Format.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace qm {

namespace {

// round(a * 10^decimals) with halves away from zero, taken on the exact binary value of `a`
// (a >= 0, finite, a * 10^decimals < 2^63, decimals <= 2). Multiplying in floating point first
// could move a value off an exact half, so the scaling is done on the integer mantissa: every
// value the readout formats (an integer, or one divided by 1,024 or 1,048,576) is a finite
// binary fraction, and its halves are exact.
std::uint64_t RoundScaled(double a, int decimals) {
    int exponent = 0;
    const double fraction = std::frexp(a, &exponent);  // a = fraction * 2^exponent
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    std::uint64_t scaled = mantissa;  // a = mantissa * 2^(exponent - 53), mantissa < 2^53
    for (int i = 0; i < decimals; ++i)
        scaled *= 10;  // < 2^60
    const int shift = exponent - 53;
    if (shift >= 0) return scaled << shift;  // an integer already; fits by the caller's range
    const int right = -shift;
    if (right > 61) return 0;  // below one half
    const std::uint64_t whole = scaled >> right;
    const std::uint64_t rest = scaled & ((std::uint64_t{1} << right) - 1);
    return whole + (rest >= (std::uint64_t{1} << (right - 1)) ? 1 : 0);
}

// Decimal digits of `value` grouped by threes.
std::string GroupedDigits(std::uint64_t value, const std::string& thousand) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += thousand;
        text += digits[i];
    }
    return text;
}

}  // namespace

std::string FormatByteSize(std::uint8_t selector, std::int64_t value,
                           const Separators& separators) {
    double number = static_cast<double>(value);
    const char* unit = "";
    int decimals = 0;
    switch (selector) {
        case 0:
            break;
        case 1:
            unit = " B";
            break;
        case 2:
            number /= 1024.0;
            unit = " KB";
            break;
        default:
            number = number / 1024.0 / 1024.0;
            unit = " MB";
            decimals = 2;
            break;
    }

    const std::uint64_t rounded = RoundScaled(std::fabs(number), decimals);
    std::string text = (number < 0 && rounded != 0) ? "-" : "";
    if (decimals == 0) {
        text += GroupedDigits(rounded, separators.thousand);
    } else {
        text += GroupedDigits(rounded / 100, separators.thousand);
        text += separators.decimal;
        text += static_cast<char>('0' + rounded / 10 % 10);
        text += static_cast<char>('0' + rounded % 10);
    }
    text += unit;
    return text;
}

std::string FormatSeconds(std::int32_t seconds) {
    const std::int32_t secs = seconds % 60;
    const std::int32_t totalMinutes = (seconds - secs) / 60;
    const std::int32_t minutes = totalMinutes % 60;
    const std::int32_t hours = totalMinutes / 60;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%d:%2.2d:%2.2d", static_cast<int>(hours),
                  static_cast<int>(minutes), static_cast<int>(secs));
    return buffer;
}

}  // namespace qm
