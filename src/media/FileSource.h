// A byte source over a file on disk, using only the standard library. Offsets are 64-bit on
// every target (the 32-bit Windows build included), so files beyond 4 GiB read correctly.
#pragma once

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

  private:
    FileSource(std::filebuf file, std::uint64_t size);
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override;

    std::filebuf file_;
};

}  // namespace qm::media
