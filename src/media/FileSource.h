// A byte source over a file on disk, using only the standard library. Offsets are 64-bit on
// every target (the 32-bit Windows build included), so files beyond 4 GiB read correctly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "media/WindowedSource.h"

namespace qm::media {

class FileSource final : public WindowedSource {
  public:
    // Opens the file for reading. Returns nothing when it cannot be opened or its size cannot be
    // determined. The path is narrow text as the platform's C library takes it (the ANSI code
    // page on Windows).
    static std::unique_ptr<FileSource> Open(const std::string& path);

  private:
    FileSource(std::filebuf file, std::uint64_t size, std::unique_ptr<char[]> window,
               std::size_t windowLen, std::uint64_t filePos);
    // Reads [offset, offset + n) from the file itself, seeking only when needed.
    bool Fetch(std::uint64_t offset, char* dst, std::size_t n) override;

    std::filebuf file_;
    std::uint64_t filePos_;  // the file's own position; kUnknownPos after a failure
};

}  // namespace qm::media
