// Text decoders for metadata fields. Malformed input is replaced, never rejected: UTF-8 follows
// the "maximal subpart" practice (one U+FFFD for each maximal prefix of a valid sequence, and
// one for each stray byte), UTF-16 replaces unpaired surrogates.
#include "media/Text.h"

#include <cstddef>
#include <cstdint>

namespace qm::media {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence starting at bytes[pos]. On success stores the code point and the
// sequence length and returns true. On failure stores in *len the number of bytes that form the
// maximal subpart to be replaced by one U+FFFD (at least 1) and returns false.
bool NextUtf8(std::string_view bytes, std::size_t pos, std::uint32_t* cp, std::size_t* len) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char b0 = byteAt(pos);
    if (b0 < 0x80) {
        *cp = b0;
        *len = 1;
        return true;
    }
    std::size_t need;
    std::uint32_t value;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        value = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        value = b0 & 0x0Fu;
        if (b0 == 0xE0) lo = 0xA0;  // no overlongs
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        value = b0 & 0x07u;
        if (b0 == 0xF0) lo = 0x90;  // no overlongs
        if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        *len = 1;  // continuation byte without a lead, C0/C1, F5..FF
        return false;
    }
    std::size_t i = 1;
    for (; i <= need; ++i) {
        if (i >= bytes.size() - pos) break;  // truncated at the end of the view
        const unsigned char b = byteAt(pos + i);
        const unsigned char min = (i == 1) ? lo : 0x80;
        const unsigned char max = (i == 1) ? hi : 0xBF;
        if (b < min || b > max) break;
        value = (value << 6) | (b & 0x3Fu);
    }
    if (i <= need) {
        *len = i;
        return false;
    }
    *cp = value;
    *len = need + 1;
    return true;
}

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FFu)));
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Replaces unpaired surrogates in place.
void RepairSurrogates(std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i])) {
            if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                ++i;
            } else {
                text[i] = kReplacement;
            }
        } else if (IsLowSurrogate(text[i])) {
            text[i] = kReplacement;
        }
    }
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; bytes.size() - i >= 2; i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned unit =
            bigEndian ? (static_cast<unsigned>(a) << 8) | b : (static_cast<unsigned>(b) << 8) | a;
        out.push_back(static_cast<char16_t>(unit));
    }
    RepairSurrogates(out);
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::uint32_t cp;
        std::size_t len;
        if (!NextUtf8(bytes, pos, &cp, &len)) return false;
        pos += len;
    }
    return true;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::uint32_t cp;
        std::size_t len;
        if (NextUtf8(bytes, pos, &cp, &len)) {
            AppendCodePoint(out, cp);
        } else {
            out.push_back(kReplacement);
        }
        pos += len;
    }
    return out;
}

std::u16string DecodeLatin1(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

std::u16string DecodeUtf16LE(std::string_view bytes) {
    return DecodeUtf16(bytes, false);
}

std::u16string DecodeUtf16BE(std::string_view bytes) {
    return DecodeUtf16(bytes, true);
}

std::u16string DecodeUtf16WithBom(std::string_view bytes) {
    if (bytes.size() >= 2) {
        const auto a = static_cast<unsigned char>(bytes[0]);
        const auto b = static_cast<unsigned char>(bytes[1]);
        if (a == 0xFF && b == 0xFE) return DecodeUtf16(bytes.substr(2), false);
        if (a == 0xFE && b == 0xFF) return DecodeUtf16(bytes.substr(2), true);
    }
    return DecodeUtf16(bytes, false);
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) +
                 (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string TrimTrailingNuls(std::u16string text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == u'\0')
        --n;
    text.resize(n);
    return text;
}

}  // namespace qm::media
