// Text decoding for metadata fields. Every decoder accepts arbitrary bytes: malformed sequences
// become U+FFFD, never an error, and nothing reads outside the given view.
#pragma once

#include <string>
#include <string_view>

namespace qm::media {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

std::u16string DecodeUtf8(std::string_view bytes);
std::u16string DecodeLatin1(std::string_view bytes);    // ISO-8859-1
std::u16string DecodeUtf16LE(std::string_view bytes);   // an odd last byte is dropped
std::u16string DecodeUtf16BE(std::string_view bytes);
// UTF-16 with an optional byte-order mark; without one, little-endian is assumed.
std::u16string DecodeUtf16WithBom(std::string_view bytes);

// Undeclared text as Windows writers and ffmpeg leave it: UTF-8 when the bytes are valid UTF-8,
// otherwise the ANSI code page through the given decoder.
template <typename AnsiFn>
std::u16string DecodeUndeclared(std::string_view bytes, const AnsiFn& ansi) {
    return IsValidUtf8(bytes) ? DecodeUtf8(bytes) : ansi(bytes);
}

// UTF-16 to UTF-8 (tools and tests print titles with it); lone surrogates become U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// Drops trailing NUL characters (fixed-size and NUL-terminated fields).
std::u16string TrimTrailingNuls(std::u16string text);

}  // namespace qm::media
