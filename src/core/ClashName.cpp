#include "core/ClashName.h"

namespace qm {

std::string ClashSuffix(std::uint32_t counter) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[counter & 0xF]);
        counter >>= 4;
    } while (counter != 0);
    if (digits.size() < 2) digits.insert(digits.begin(), '0');
    return "_" + digits;
}

std::string ClashCandidate(std::string_view title, std::uint64_t tryIndex) {
    std::string name(title);
    if (tryIndex > 0) name += ClashSuffix(static_cast<std::uint32_t>(tryIndex - 1));
    return name;
}

}  // namespace qm
