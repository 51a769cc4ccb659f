// Byte builders and sources for the MP4, Matroska and ASF reader tests, on top of the shared
// reader helpers (running a reader, failing sources, the truncation sweep).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/ByteSource.h"
#include "media/reader_test_util.h"

namespace qm::media::test {

using testing_util::ExpectTruncationsSafe;
using testing_util::FailingSource;
namespace tu = testing_util;  // tu::Run, since Run alone names a member of testing::Test

// File bytes, built up in a string as the shared helpers take them.
using Bytes = std::string;

inline Bytes Cat(std::initializer_list<std::string_view> parts) {
    Bytes out;
    for (const std::string_view p : parts)
        out.append(p.data(), p.size());
    return out;
}

inline void PutBE(Bytes& out, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

inline void PutLE(Bytes& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

inline Bytes Utf16LE(std::u16string_view s) {
    Bytes out;
    for (const char16_t c : s)
        PutLE(out, c, 2);
    return out;
}

// A source of any size whose bytes are zero except for the pieces placed in it: stands in for
// a multi-gigabyte file without the memory.
class SparseSource final : public ByteSource {
  public:
    explicit SparseSource(std::uint64_t size) : ByteSource(size) {}
    void Put(std::uint64_t offset, Bytes bytes) { pieces_.emplace_back(offset, std::move(bytes)); }

  private:
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override {
        unsigned char* out = static_cast<unsigned char*>(dst);
        std::memset(out, 0, n);
        for (const auto& [at, bytes] : pieces_) {
            const std::uint64_t from = std::max(offset, at);
            const std::uint64_t to = std::min<std::uint64_t>(offset + n, at + bytes.size());
            for (std::uint64_t i = from; i < to; ++i)
                out[i - offset] = static_cast<unsigned char>(bytes[i - at]);
        }
        return true;
    }
    std::vector<std::pair<std::uint64_t, Bytes>> pieces_;
};

// With QM_MEDIA_SEED_DIR set, writes hand-built files there as fuzz seeds.
inline void WriteSeedsIfAsked(const std::string& prefix,
                              const std::vector<std::pair<std::string, Bytes>>& samples) {
    const char* dir = std::getenv("QM_MEDIA_SEED_DIR");
    if (dir == nullptr || *dir == '\0') return;
    for (const auto& [name, bytes] : samples) {
        std::ofstream out(std::string(dir) + "/" + prefix + "_" + name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

}  // namespace qm::media::test
