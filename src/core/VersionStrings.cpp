#include "core/VersionStrings.h"

namespace qm {

std::optional<std::uint32_t> FirstTranslation(const unsigned char* data, std::size_t length) {
    if (data == nullptr || length < 4) return std::nullopt;
    return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
           (static_cast<std::uint32_t>(data[2]) << 16) |
           (static_cast<std::uint32_t>(data[3]) << 24);
}

namespace {

void AppendHex4(std::string& out, std::uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::string StringSubBlock(std::uint32_t translation, std::string_view key) {
    std::string path = "\\StringFileInfo\\";
    AppendHex4(path, translation & 0xFFFF);
    AppendHex4(path, translation >> 16);
    path += '\\';
    path += key;
    return path;
}

std::string TrimVersionValue(std::string_view reported) {
    std::string_view text = reported.substr(0, reported.find('\0'));
    while (!text.empty() && IsBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string_view VersionValueText(const unsigned char* block, std::size_t blockSize,
                                  const void* value, std::size_t reportedLength) {
    if (value == nullptr) return std::string_view();
    const char* text = static_cast<const char*>(value);
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const auto at = reinterpret_cast<std::uintptr_t>(value);
    if (block != nullptr && at >= begin && at - begin < blockSize)
        return std::string_view(text, blockSize - (at - begin));
    return std::string_view(text, reportedLength);
}

std::string CaptionWithVersion(std::string_view appTitle, std::string_view version,
                               std::string_view componentName) {
    std::string caption(appTitle);
    caption += " Ver.";
    caption += version;
    caption += " - ";
    caption += componentName;
    return caption;
}

}  // namespace qm
