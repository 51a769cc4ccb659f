#include "core/AsciiCase.h"

namespace qm {

namespace {

char ToUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = ToUpper(c);
    return result;
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = ToLower(c);
    return result;
}

int AsciiCompareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ToLower(a[i]));
        const auto y = static_cast<unsigned char>(ToLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace qm
