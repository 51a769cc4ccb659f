// A byte source over a medium that is costly to ask (a file): the readers take many small pieces
// (box and element headers) close together, so they are served from a window of the medium held
// in memory and most of them cost no call to the system. Reads larger than kMaxWindowed go to
// the medium directly. A derived source says how the medium is read (Fetch).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/ByteSource.h"

namespace qm::media {

class WindowedSource : public ByteSource {
  public:
    static constexpr std::size_t kWindowSize = 16 * 1024;
    static constexpr std::size_t kWindowAlign = 4 * 1024;
    static constexpr std::size_t kMaxWindowed = kWindowSize - kWindowAlign;

  protected:
    // `window` holds kWindowSize bytes of which the first `windowLen` are the medium's first
    // bytes (0: nothing read yet).
    WindowedSource(std::uint64_t size, std::unique_ptr<char[]> window, std::size_t windowLen);
    explicit WindowedSource(std::uint64_t size);

    // Reads exactly [offset, offset + n) of the medium into dst; false when it cannot.
    virtual bool Fetch(std::uint64_t offset, char* dst, std::size_t n) = 0;

  private:
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) final;

    std::unique_ptr<char[]> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLen_ = 0;  // 0: the window holds nothing
};

}  // namespace qm::media
