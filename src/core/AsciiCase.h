// ASCII-only case rules, byte by byte: only bytes of the letters a-z and A-Z change, every
// other byte stays. Bytes are not grouped into characters, so a double-byte character whose
// trail byte has a letter's value changes too: they suit texts compared with ASCII words
// (and tests), not names in a double-byte code page.
#pragma once

#include <string>
#include <string_view>

namespace qm {

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Compares like lstrcmpiA restricted to ASCII letters: < 0, 0 or > 0.
int AsciiCompareIgnoreCase(std::string_view a, std::string_view b);

}  // namespace qm
