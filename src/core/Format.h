// Numbers and durations as the about window's readout shows them.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The locale's separators, one character each. A NUL separator writes nothing.
struct Separators {
    char thousand = ',';
    char decimal = '.';
};

// A count as text. Selector 0: plain number ("1,234,567"); 1: bytes ("1,234,567 B"); 2:
// kilobytes of 1,024 ("1,206 KB"); any other: megabytes with two decimals ("1.18 MB"). The
// number is rounded at its last written digit, halves away from zero (1,536 bytes give 2 KB,
// 131,072 bytes 0.13 MB), and its integer digits are grouped by threes.
std::string FormatByteSize(std::uint8_t selector, std::int64_t value,
                           const Separators& separators = Separators());

// Seconds as H:MM:SS with no day field and no upper limit on the hours: 90,000 gives 25:00:00.
std::string FormatSeconds(std::int32_t seconds);

}  // namespace qm
