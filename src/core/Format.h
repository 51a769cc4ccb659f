// Numbers and durations as the about window's readout shows them.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The locale's separators, one character each in the ANSI code page: one byte, or the two of a
// double-byte character (a full-width comma is 0x81 0x43 in code page 932). An empty separator
// writes nothing.
struct Separators {
    std::string thousand = ",";
    std::string decimal = ".";
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
