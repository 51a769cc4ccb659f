// A byte source over a file on disk, using only the standard library. Offsets are 64-bit on
// every target (the 32-bit Windows build included), so files beyond 4 GiB read correctly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "media/ByteSource.h"

namespace qm::media {

class FileSource final : public ByteSource {
  public:
    // Opens the file for reading. Returns nothing when it cannot be opened or its size cannot be
    // determined. The path is narrow text as the platform's C library takes it (the ANSI code
    // page on Windows).
    static std::unique_ptr<FileSource> Open(const std::string& path);

    // Readers take many small pieces (box and element headers) close together. They are served
    // from a window of the file held in memory, so that most of them cost no call to the system;
    // reads larger than kMaxWindowed go to the file directly.
    static constexpr std::size_t kWindowSize = 16 * 1024;
    static constexpr std::size_t kWindowAlign = 4 * 1024;
    static constexpr std::size_t kMaxWindowed = kWindowSize - kWindowAlign;

  private:
    FileSource(std::filebuf file, std::uint64_t size, std::unique_ptr<char[]> window,
               std::size_t windowLen, std::uint64_t filePos);
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override;
    // Reads [offset, offset + n) from the file itself, seeking only when needed.
    bool Fetch(std::uint64_t offset, char* dst, std::size_t n);

    std::filebuf file_;
    std::unique_ptr<char[]> window_;  // kWindowSize bytes
    std::uint64_t windowStart_ = 0;
    std::size_t windowLen_ = 0;  // 0: the window holds nothing
    std::uint64_t filePos_;      // the file's own position; kUnknownPos after a failure
};

}  // namespace qm::media
