#include "core/DateTime.h"

namespace qm {

namespace {

constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000;

}  // namespace

std::uint64_t FileTimeToWholeSeconds(std::uint64_t count) {
    return count / kFileTimeUnitsPerSecond;
}

std::uint64_t ElapsedWholeSeconds(std::uint64_t fromFileTime, std::uint64_t toFileTime) {
    const std::uint64_t span =
        fromFileTime < toFileTime ? toFileTime - fromFileTime : fromFileTime - toFileTime;
    return span / kFileTimeUnitsPerSecond;
}

}  // namespace qm
