#include "core/PathPieces.h"

namespace qm {

namespace {

constexpr std::string_view kFolderDelimiters = "\\:";
constexpr std::string_view kExtensionDelimiters = ".\\:";

// Length of the folder piece: one past the last delimiter, 0 when there is none.
std::size_t FolderLength(std::string_view path, const LeadBytes& lead) {
    const std::size_t pos = FindLastChar(path, kFolderDelimiters, lead);
    return pos == std::string_view::npos ? 0 : pos + 1;
}

// Start of the extension within `path`, or path.size() when there is none.
std::size_t ExtensionStart(std::string_view path, const LeadBytes& lead) {
    const std::size_t pos = FindLastChar(path, kExtensionDelimiters, lead);
    if (pos == std::string_view::npos || path[pos] != '.') return path.size();
    return pos;
}

}  // namespace

std::string FolderPiece(std::string_view path, const LeadBytes& lead) {
    return std::string(path.substr(0, FolderLength(path, lead)));
}

std::string FileNamePiece(std::string_view path, const LeadBytes& lead) {
    return std::string(path.substr(FolderLength(path, lead)));
}

std::string ExtensionPiece(std::string_view path, const LeadBytes& lead) {
    return std::string(path.substr(ExtensionStart(path, lead)));
}

std::string BaseNamePiece(std::string_view path, const LeadBytes& lead) {
    const std::size_t begin = FolderLength(path, lead);
    return std::string(path.substr(begin, ExtensionStart(path, lead) - begin));
}

bool EndsWithSeparator(std::string_view text, const LeadBytes& lead) {
    const std::size_t last = LastCharStart(text, lead);
    return last != std::string_view::npos && last + 1 == text.size() && text[last] == '\\';
}

std::string IncludeTrailingSeparator(std::string_view folder, const LeadBytes& lead) {
    std::string result(folder);
    if (!EndsWithSeparator(folder, lead)) result += '\\';
    return result;
}

std::string RemoveOneTrailingSeparator(std::string_view folder, const LeadBytes& lead) {
    if (EndsWithSeparator(folder, lead)) folder.remove_suffix(1);
    return std::string(folder);
}

std::string ShortcutWorkingDirectory(std::string_view target, const LeadBytes& lead) {
    std::size_t length = FolderLength(target, lead);
    if (length > 1 && target[length - 1] == '\\') {
        // The delimiter stays only after a single-byte "\" or ":" (a drive root such as C:\).
        const std::string_view before = target.substr(0, length - 1);
        const std::size_t prev = LastCharStart(before, lead);
        const bool singleByte = prev + 1 == before.size();
        if (!(singleByte && (before[prev] == '\\' || before[prev] == ':'))) --length;
    }
    return std::string(target.substr(0, length));
}

std::string ShortcutLinkPath(std::string_view folder, std::string_view linkName,
                             const LeadBytes& lead) {
    std::string path = RemoveOneTrailingSeparator(folder, lead);
    path += '\\';
    path += linkName;
    path += ".lnk";
    return path;
}

bool HasPathSeparator(std::string_view name, const LeadBytes& lead) {
    return FindFirstChar(name, "\\/", lead) != std::string_view::npos;
}

}  // namespace qm
