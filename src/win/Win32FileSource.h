// A byte source over a file opened with the Win32 API, by its UTF-16 path, shared for reading
// with writers and deleters so the scan never stands in a user's way. The readers' small reads
// are served from the window the base keeps; the file sees few, positioned reads.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "media/WindowedSource.h"
#include "win/framework/Raii.h"

namespace qm::win {

class Win32FileSource final : public media::WindowedSource {
  public:
    // Nothing when the file cannot be opened or its size cannot be read.
    static std::unique_ptr<Win32FileSource> Open(const std::wstring& path);

  private:
    Win32FileSource(UniqueFile file, std::uint64_t size);
    bool Fetch(std::uint64_t offset, char* dst, std::size_t n) override;

    UniqueFile file_;
};

}  // namespace qm::win
