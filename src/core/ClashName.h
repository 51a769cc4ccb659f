// Names the rename pass tries when the proposed name is taken: title, title_00, title_01, ...,
// title_0A, ..., title_FF, title_100, ... The suffix always goes on the title itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// "_" and the counter in upper-case hexadecimal, at least two digits: _00, _0A, _FF, _100.
std::string ClashSuffix(std::uint32_t counter);

// Try 0 is the title itself; try n (n >= 1) is the title with ClashSuffix(n - 1).
std::string ClashCandidate(std::string_view title, std::uint64_t tryIndex);

// The number of distinct tries: the title and one per 32-bit counter value.
inline constexpr std::uint64_t kClashTries = (std::uint64_t{1} << 32) + 1;

// The first try for which isTaken(name) is false. Empty only when every try is taken, so the
// search always ends even when the counter has gone through all of its values.
template <typename IsTaken>
std::optional<std::string> ChooseFreeName(std::string_view title, IsTaken isTaken) {
    for (std::uint64_t i = 0; i < kClashTries; ++i) {
        std::string name = ClashCandidate(title, i);
        if (!isTaken(name)) return name;
    }
    return std::nullopt;
}

}  // namespace qm
