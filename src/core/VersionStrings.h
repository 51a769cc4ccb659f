// Version-resource strings: the key table, the sub-block path of a string under the resource's
// first translation, the clean-up of a value, and the window caption built from the version.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The standard string-table keys. The program reads FileDescription (2) and FileVersion (3).
inline constexpr std::array<std::string_view, 12> VersionInfoKeys = {
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild",
};

// Sub-block holding the list of translations, each a 32-bit (language, code page) pair.
inline constexpr std::string_view kTranslationSubBlock = "\\VarFileInfo\\Translation";

// The first translation entry (little-endian 32 bits: language low, code page high), or empty
// when the list holds fewer than four bytes.
std::optional<std::uint32_t> FirstTranslation(const unsigned char* data, std::size_t length);

// "\StringFileInfo\LLLLCCCC\<key>" with language and code page as four upper-case hex digits
// each: 0x04E40409 and FileVersion give \StringFileInfo\040904E4\FileVersion.
std::string StringSubBlock(std::uint32_t translation, std::string_view key);

// A string value as the resource reports it (the reported length may include the terminating
// NUL): cut at the first NUL, never read past the reported length, then every byte 0-32 removed
// from both ends. Bytes of 128 and above are text and stay.
std::string TrimVersionValue(std::string_view reported);

// The text a query of a version block points at, up to the block's end: `value` points into the
// `blockSize` bytes from `block`. The length a query reports is not trusted to bound it: some
// systems count it in characters, which cuts a double-byte text to about half. Where `value` lies
// outside the block, the reported length is all there is to bound it. TrimVersionValue then cuts
// it at its first NUL.
std::string_view VersionValueText(const unsigned char* block, std::size_t blockSize,
                                  const void* value, std::size_t reportedLength);

// "<title> Ver.<version> - <componentName>", e.g. Quillmark Ver.0.7.4.17 - Form1.
std::string CaptionWithVersion(std::string_view appTitle, std::string_view version,
                               std::string_view componentName);

}  // namespace qm
