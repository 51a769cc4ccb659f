#include "media/FileSource.h"

#include <limits>
#include <utility>

namespace qm::media {

namespace {

constexpr std::ios_base::openmode kMode = std::ios_base::in | std::ios_base::binary;
constexpr std::uint64_t kUnknownPos = ~std::uint64_t{0};

// std::streamoff is 64-bit with libstdc++ (also on MinGW i686) and with MSVC; this guards a
// platform where it is not.
static_assert(sizeof(std::streamoff) >= 8, "file offsets must be 64-bit");

// Reads up to n bytes at the file's position; the count read, short only at the end of the file.
// A failing medium makes libstdc++ throw from sgetn; that is a short read here, as it is with
// the Microsoft library.
std::size_t ReadSome(std::filebuf& file, char* dst, std::size_t n) {
    std::size_t done = 0;
    try {
        while (done < n) {
            // sgetn takes a signed count; read in pieces that fit it.
            const std::size_t maxChunk =
                static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max());
            const std::size_t chunk = n - done < maxChunk ? n - done : maxChunk;
            const std::streamsize got = file.sgetn(dst + done, static_cast<std::streamsize>(chunk));
            if (got <= 0) break;
            done += static_cast<std::size_t>(got);
        }
    } catch (...) {
    }
    return done;
}

}  // namespace

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
    std::filebuf file;
    // The window is the only buffer: libstdc++ takes "unbuffered" before opening, the Microsoft
    // library after.
    file.pubsetbuf(nullptr, 0);
    if (!file.open(path, kMode)) return nullptr;
    file.pubsetbuf(nullptr, 0);

    // Every reader starts at the front, so the first window is read now; a file that ends inside
    // it needs no size query.
    std::unique_ptr<char[]> window(new char[kWindowSize]);
    const std::size_t head = ReadSome(file, window.get(), kWindowSize);
    std::uint64_t size = head;
    std::uint64_t filePos = head;
    if (head == kWindowSize) {
        const std::streampos end = file.pubseekoff(0, std::ios_base::end, std::ios_base::in);
        if (end == std::streampos(std::streamoff(-1))) return nullptr;
        const std::streamoff endOff = end;
        if (endOff < 0 || static_cast<std::uint64_t>(endOff) < head) return nullptr;
        size = static_cast<std::uint64_t>(endOff);
        filePos = size;
    }
    return std::unique_ptr<FileSource>(
        new FileSource(std::move(file), size, std::move(window), head, filePos));
}

FileSource::FileSource(std::filebuf file, std::uint64_t size, std::unique_ptr<char[]> window,
                       std::size_t windowLen, std::uint64_t filePos)
    : WindowedSource(size, std::move(window), windowLen),
      file_(std::move(file)),
      filePos_(filePos) {}

bool FileSource::Fetch(std::uint64_t offset, char* dst, std::size_t n) {
    if (offset != filePos_) {
        filePos_ = kUnknownPos;
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
            return false;
        const std::streampos pos(static_cast<std::streamoff>(offset));
        if (file_.pubseekpos(pos, std::ios_base::in) != pos) return false;
        filePos_ = offset;
    }
    const std::size_t got = ReadSome(file_, dst, n);
    filePos_ = got == n ? offset + n : kUnknownPos;
    return got == n;
}

}  // namespace qm::media
