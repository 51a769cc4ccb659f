#include "core/AppTitle.h"

namespace qm {

std::string AppTitleFromModulePath(std::string_view modulePath, const LeadBytes& lead,
                                   const AnsiLower& lower) {
    std::string_view name = modulePath;
    const std::size_t slash = FindLastChar(name, "\\", lead);
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const std::size_t dot = FindFirstChar(name, ".", lead);
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    if (name.empty()) return std::string();

    const std::size_t first = lead.CharLength(name, 0);
    return std::string(name.substr(0, first)) + lower(name.substr(first));
}

}  // namespace qm
