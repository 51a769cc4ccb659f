#include "media/ByteSource.h"

#include <cstring>

namespace qm::media {

MemorySource::MemorySource(const void* data, std::size_t size)
    : ByteSource(size), data_(static_cast<const unsigned char*>(data)) {}

bool MemorySource::DoRead(std::uint64_t offset, void* dst, std::size_t n) {
    // ReadAt has checked that [offset, offset + n) lies inside the buffer, and the buffer's size
    // is a size_t, so the offset fits too.
    std::memcpy(dst, data_ + static_cast<std::size_t>(offset), n);
    return true;
}

}  // namespace qm::media
