// A byte source over a file opened with the Win32 API, by its UTF-16 path, shared for reading
// with writers and deleters so the scan never stands in a user's way.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "media/ByteSource.h"
#include "win/Raii.h"

namespace qm::win {

class Win32FileSource final : public media::ByteSource {
  public:
    // Nothing when the file cannot be opened or its size cannot be read.
    static std::unique_ptr<Win32FileSource> Open(const std::wstring& path);

  private:
    Win32FileSource(UniqueFile file, std::uint64_t size);
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override;

    UniqueFile file_;
};

}  // namespace qm::win
