#include "win/Win32FileSource.h"

#include <climits>
#include <utility>

namespace qm::win {

std::unique_ptr<Win32FileSource> Win32FileSource::Open(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return nullptr;
    return std::unique_ptr<Win32FileSource>(
        new Win32FileSource(std::move(file), static_cast<std::uint64_t>(size.QuadPart)));
}

Win32FileSource::Win32FileSource(UniqueFile file, std::uint64_t size)
    : WindowedSource(size), file_(std::move(file)) {}

bool Win32FileSource::Fetch(std::uint64_t offset, char* out, std::size_t n) {
    // Seek, then read from there. The handle is this source's own and synchronous, so nothing
    // else moves its file pointer. (A read that carries its offset in an OVERLAPPED costs Wine a
    // server round trip each; a seek and a plain read cost it none.)
    if (offset > static_cast<std::uint64_t>(LLONG_MAX)) return false;
    LARGE_INTEGER at = {};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN)) return false;
    while (n > 0) {
        const DWORD chunk = n > 0x10000000u ? 0x10000000u : static_cast<DWORD>(n);
        DWORD got = 0;
        if (!::ReadFile(file_.Get(), out, chunk, &got, nullptr) || got == 0) return false;
        out += got;
        n -= got;
    }
    return true;
}

}  // namespace qm::win
