// Random-access byte sources for the title reader. Every read is bounds-checked: a read that
// would pass the end of the source, or that the medium fails, returns false and fills nothing
// the caller may rely on. Sources count what they deliver so that tools can report how little
// of each file the reader touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::media {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Total size in bytes, fixed for the life of the source.
    std::uint64_t Size() const { return size_; }

    // Reads exactly n bytes at offset into dst. False when [offset, offset + n) is not wholly
    // inside the source or the medium fails; n == 0 always succeeds inside the source.
    bool ReadAt(std::uint64_t offset, void* dst, std::size_t n) {
        if (offset > size_ || n > size_ - offset) return false;
        if (n == 0) return true;
        ++reads_;
        if (!DoRead(offset, dst, n)) return false;
        bytesRead_ += n;
        return true;
    }

    std::uint64_t BytesRead() const { return bytesRead_; }
    std::uint64_t Reads() const { return reads_; }

protected:
    explicit ByteSource(std::uint64_t size) : size_(size) {}
    // Called only with a range inside [0, Size()).
    virtual bool DoRead(std::uint64_t offset, void* dst, std::size_t n) = 0;

private:
    std::uint64_t size_;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t reads_ = 0;
};

// A source over bytes held in memory (tests, fuzzing). The bytes are not copied.
class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size);

private:
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override;
    const unsigned char* data_;
};

}  // namespace qm::media
