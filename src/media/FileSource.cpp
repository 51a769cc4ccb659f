#include "media/FileSource.h"

#include <limits>
#include <utility>

namespace qm::media {

namespace {

constexpr std::ios_base::openmode kMode = std::ios_base::in | std::ios_base::binary;

// std::streamoff is 64-bit with libstdc++ (also on MinGW i686) and with MSVC; this guards a
// platform where it is not.
static_assert(sizeof(std::streamoff) >= 8, "file offsets must be 64-bit");

}  // namespace

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
    std::filebuf file;
    if (!file.open(path, kMode)) return nullptr;
    const std::streampos end = file.pubseekoff(0, std::ios_base::end, std::ios_base::in);
    if (end == std::streampos(std::streamoff(-1))) return nullptr;
    const std::streamoff size = end;
    if (size < 0) return nullptr;
    return std::unique_ptr<FileSource>(
        new FileSource(std::move(file), static_cast<std::uint64_t>(size)));
}

FileSource::FileSource(std::filebuf file, std::uint64_t size)
    : ByteSource(size), file_(std::move(file)) {}

bool FileSource::DoRead(std::uint64_t offset, void* dst, std::size_t n) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
        return false;
    const std::streampos pos(static_cast<std::streamoff>(offset));
    if (file_.pubseekpos(pos, std::ios_base::in) != pos) return false;
    // sgetn takes a signed count; read in pieces that fit it.
    char* out = static_cast<char*>(dst);
    while (n > 0) {
        const std::size_t maxChunk =
            static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max());
        const std::size_t chunk = n < maxChunk ? n : maxChunk;
        const std::streamsize got = file_.sgetn(out, static_cast<std::streamsize>(chunk));
        if (got != static_cast<std::streamsize>(chunk)) return false;
        out += chunk;
        n -= chunk;
    }
    return true;
}

}  // namespace qm::media
