// Fixed-width integer loads from byte buffers. Callers check the buffer length first; these
// only assemble the value (unsigned arithmetic, shifts on widened values).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::media {

inline std::uint16_t LoadU16LE(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (static_cast<unsigned>(p[1]) << 8));
}
inline std::uint16_t LoadU16BE(const unsigned char* p) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(p[0]) << 8) | p[1]);
}
inline std::uint32_t LoadU32LE(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t LoadU32BE(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline std::uint64_t LoadU64LE(const unsigned char* p) {
    return static_cast<std::uint64_t>(LoadU32LE(p)) |
           (static_cast<std::uint64_t>(LoadU32LE(p + 4)) << 32);
}
inline std::uint64_t LoadU64BE(const unsigned char* p) {
    return (static_cast<std::uint64_t>(LoadU32BE(p)) << 32) |
           static_cast<std::uint64_t>(LoadU32BE(p + 4));
}

}  // namespace qm::media
