// ASCII-only case rules: only the letters a-z and A-Z change; every other byte, including the
// bytes of double-byte characters, stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace qm {

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Compares like lstrcmpiA restricted to ASCII letters: < 0, 0 or > 0.
int AsciiCompareIgnoreCase(std::string_view a, std::string_view b);

}  // namespace qm
