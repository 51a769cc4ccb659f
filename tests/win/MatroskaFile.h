// The smallest Matroska file with a segment title, for tests that need a file whose own
// metadata carries a Title.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::win::test {

using Bytes = std::vector<std::uint8_t>;

// An EBML element with a one-byte size (payloads under 127 bytes).
inline Bytes Element(Bytes id, const Bytes& payload) {
    Bytes out = std::move(id);
    out.push_back(static_cast<std::uint8_t>(0x80 | payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline Bytes Utf8(const char* s) {
    return Bytes(s, s + std::char_traits<char>::length(s));
}

inline Bytes MatroskaWithTitle(const char* utf8Title) {
    Bytes header = Element({0x1A, 0x45, 0xDF, 0xA3}, Element({0x42, 0x82}, Utf8("matroska")));
    Bytes info = Element({0x15, 0x49, 0xA9, 0x66}, Element({0x7B, 0xA9}, Utf8(utf8Title)));
    Bytes segment = Element({0x18, 0x53, 0x80, 0x67}, info);
    header.insert(header.end(), segment.begin(), segment.end());
    return header;
}

}  // namespace qm::win::test
