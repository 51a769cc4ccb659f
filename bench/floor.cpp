// The I/O floor for the title benchmark: walks the paths exactly as titledump does and, for every
// file, opens it and reads its first and last 64 KiB, with no parsing at all. A title reader
// cannot be cheaper than this by much, so the benchmark reports every tool's rate against it.
//
//   floor PATH...
//
// Prints the number of files and the bytes read, and a checksum that keeps the reads observable.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "titledump/FileWalk.h"

namespace {

constexpr long kPiece = 64 * 1024;

struct Totals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t failed = 0;
    unsigned checksum = 0;
};

unsigned char buffer[kPiece];

// Reads up to n bytes at offset; the count read.
std::size_t ReadPiece(std::FILE* f, long offset, std::size_t n) {
    if (std::fseek(f, offset, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, n, f);
}

void ReadHeadAndTail(const std::string& path, Totals& t) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        ++t.failed;
        return;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);  // straight to the file, as a reader's source does
    std::size_t got = std::fread(buffer, 1, kPiece, f);
    t.checksum += got ? buffer[0] : 0;
    if (got == static_cast<std::size_t>(kPiece) && std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > kPiece) {
            const long tail = size - kPiece > kPiece ? size - kPiece : kPiece;
            const std::size_t more = ReadPiece(f, tail, static_cast<std::size_t>(size - tail));
            t.checksum += more ? buffer[more - 1] : 0;
            got += more;
        }
    }
    std::fclose(f);
    ++t.files;
    t.bytes += got;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Totals t;
        for (int i = 1; i < argc; ++i) {
            qm::tools::ForEachFile(
                argv[i], [&t](const std::string& file) { ReadHeadAndTail(file, t); },
                [&t](const std::string& where, const std::string& why) {
                    ++t.failed;
                    std::fprintf(stderr, "floor: %s: %s\n", where.c_str(), why.c_str());
                });
        }
        std::printf("files: %llu\nbytes read: %llu total, %.1f per file\nchecksum: %u\n",
                    static_cast<unsigned long long>(t.files),
                    static_cast<unsigned long long>(t.bytes),
                    t.files ? static_cast<double>(t.bytes) / static_cast<double>(t.files) : 0.0,
                    t.checksum);
        return t.failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "floor: %s\n", e.what());
        return 1;
    }
}
