#include "core/Ansi.h"

namespace qm {

LeadBytes::LeadBytes(const unsigned char* ranges, std::size_t count) {
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        const unsigned first = ranges[i];
        const unsigned last = ranges[i + 1];
        if (first == 0) break;
        for (unsigned b = first; b <= last && b < 256; ++b)
            lead_.set(b);
    }
}

LeadBytes LeadBytes::Cp932() {
    static const unsigned char kRanges[] = {0x81, 0x9F, 0xE0, 0xFC};
    return LeadBytes(kRanges, sizeof kRanges);
}

LeadBytes LeadBytes::Cp1252() {
    return LeadBytes();
}

std::size_t LeadBytes::CharLength(std::string_view text, std::size_t pos) const {
    if (IsLead(static_cast<unsigned char>(text[pos])) && text.size() - pos > 1 &&
        text[pos + 1] != '\0') {
        return 2;
    }
    return 1;
}

std::string_view FirstCharacter(std::string_view text, const LeadBytes& lead) {
    return text.empty() ? text : text.substr(0, lead.CharLength(text, 0));
}

namespace {

// Calls visit(pos, length) for every character from the start; stops when visit returns false.
template <typename Visit>
void ForEachChar(std::string_view text, const LeadBytes& lead, Visit visit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = lead.CharLength(text, pos);
        if (!visit(pos, len)) return;
        pos += len;
    }
}

}  // namespace

std::size_t FindLastChar(std::string_view text, std::string_view chars, const LeadBytes& lead) {
    std::size_t found = std::string_view::npos;
    ForEachChar(text, lead, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && chars.find(text[pos]) != std::string_view::npos) found = pos;
        return true;
    });
    return found;
}

std::size_t FindFirstChar(std::string_view text, std::string_view chars, const LeadBytes& lead) {
    std::size_t found = std::string_view::npos;
    ForEachChar(text, lead, [&](std::size_t pos, std::size_t len) {
        if (len == 1 && chars.find(text[pos]) != std::string_view::npos) {
            found = pos;
            return false;
        }
        return true;
    });
    return found;
}

std::size_t LastCharStart(std::string_view text, const LeadBytes& lead) {
    std::size_t last = std::string_view::npos;
    ForEachChar(text, lead, [&](std::size_t pos, std::size_t) {
        last = pos;
        return true;
    });
    return last;
}

}  // namespace qm
