// The whole-second figures of the process readout, from FILETIME counts of 100 ns.
#pragma once

#include <cstdint>

namespace qm {

// A FILETIME duration (100-ns units) in whole seconds, truncated.
std::uint64_t FileTimeToWholeSeconds(std::uint64_t count);

// Whole seconds between two FILETIME instants, absolute and truncated: the age of the process
// from its creation time and the current time, both in UTC, so neither the time zone nor
// daylight saving time can shift it.
std::uint64_t ElapsedWholeSeconds(std::uint64_t fromFileTime, std::uint64_t toFileTime);

}  // namespace qm
