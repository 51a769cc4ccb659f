#include "media/WindowedSource.h"

#include <cstring>
#include <utility>

namespace qm::media {

WindowedSource::WindowedSource(std::uint64_t size, std::unique_ptr<char[]> window,
                               std::size_t windowLen)
    : ByteSource(size), window_(std::move(window)), windowLen_(windowLen) {}

WindowedSource::WindowedSource(std::uint64_t size)
    : WindowedSource(size, std::unique_ptr<char[]>(new char[kWindowSize]), 0) {}

bool WindowedSource::DoRead(std::uint64_t offset, void* dst, std::size_t n) {
    char* out = static_cast<char*>(dst);
    if (offset >= windowStart_ && offset - windowStart_ <= windowLen_ &&
        n <= windowLen_ - (offset - windowStart_)) {
        std::memcpy(out, window_.get() + (offset - windowStart_), n);
        return true;
    }
    if (n > kMaxWindowed) return Fetch(offset, out, n);

    // A new window from the block holding the offset: it holds [offset, offset + n) whole, as
    // offset lies less than kWindowAlign past its start and n is at most kMaxWindowed.
    const std::uint64_t start = offset - offset % kWindowAlign;
    const std::uint64_t left = Size() - start;
    const std::size_t len = left < kWindowSize ? static_cast<std::size_t>(left) : kWindowSize;
    windowLen_ = 0;
    if (!Fetch(start, window_.get(), len)) {
        // The medium may have shrunk since it was opened; the bytes asked for may still be there.
        return Fetch(offset, out, n);
    }
    windowStart_ = start;
    windowLen_ = len;
    std::memcpy(out, window_.get() + (offset - start), n);
    return true;
}

}  // namespace qm::media
