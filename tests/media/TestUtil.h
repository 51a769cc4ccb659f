// Helpers for the media reader tests: byte builders, sources that fail or stand in for huge
// files, an ANSI decoder that marks its output, the case a reader's table test is made of, and
// the checks every reader goes through (a case read, every truncated prefix, a failing medium).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/ByteSource.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media::test {

using Reader = TitleResult (*)(ByteSource&, const AnsiDecoder&);

// File bytes, built up in a string.
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

// An integer as Bits/8 bytes: Le<32>(v), Be<24>(v).
template <int Bits>
Bytes Le(std::uint64_t v) {
    Bytes out;
    PutLE(out, v, Bits / 8);
    return out;
}
template <int Bits>
Bytes Be(std::uint64_t v) {
    Bytes out;
    PutBE(out, v, Bits / 8);
    return out;
}

inline Bytes Utf16LE(std::u16string_view s) {
    Bytes out;
    for (const char16_t c : s)
        PutLE(out, c, 2);
    return out;
}

// Decodes "ANSI" text as Latin-1 behind a marker, so tests see which decoder was used.
inline std::u16string MarkingAnsi(std::string_view bytes) {
    return u"[ansi]" + DecodeLatin1(bytes);
}

// A source whose reads fail from a given offset on, as a failing disk would.
class FailingSource final : public ByteSource {
  public:
    FailingSource(const Bytes& data, std::uint64_t failFrom)
        : ByteSource(data.size()), data_(data), failFrom_(failFrom) {}

  private:
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override {
        if (offset + n > failFrom_) return false;
        std::memcpy(dst, data_.data() + offset, n);
        return true;
    }
    Bytes data_;
    std::uint64_t failFrom_;
};

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

// Runs a reader over an exact-size heap copy of the bytes, so that any overread is caught by
// the address sanitizer rather than landing in a neighbouring string. (Not named Run: inside a
// test body that names testing::Test::Run.)
inline TitleResult RunReader(Reader reader, std::string_view bytes,
                             const AnsiDecoder& ansi = MarkingAnsi) {
    std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    MemorySource src(copy.data(), copy.size());
    return reader(src, ansi);
}

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

// Every prefix of a small file, and a spread of prefixes of a large one, gives either no title
// (an empty one included) or the full file's title; never another text.
inline void ExpectTruncationsSafe(Reader reader, const Bytes& file, const std::u16string& title) {
    std::vector<std::size_t> cuts;
    if (file.size() <= 16384) {
        for (std::size_t n = 0; n < file.size(); ++n)
            cuts.push_back(n);
    } else {
        std::mt19937 rng(12345);
        std::uniform_int_distribution<std::size_t> pick(0, file.size() - 1);
        for (int i = 0; i < 2000; ++i)
            cuts.push_back(pick(rng));
        for (std::size_t n = 0; n < 4096; ++n)
            cuts.push_back(n);
    }
    for (std::size_t n : cuts) {
        const TitleResult r = RunReader(reader, std::string_view(file).substr(0, n));
        if (!r.title.empty()) {
            EXPECT_EQ(r.status, ReadStatus::Found) << "cut at " << n;
            EXPECT_EQ(EncodeUtf8(r.title), EncodeUtf8(title)) << "cut at " << n;
        }
    }
}

// The truncation check over a few named files that all hold `title`; the files are also
// written as fuzz seeds when asked.
inline void ExpectSamplesTruncateSafely(Reader reader, const std::string& seedPrefix,
                                        const std::vector<std::pair<std::string, Bytes>>& samples,
                                        const std::u16string& title) {
    WriteSeedsIfAsked(seedPrefix, samples);
    for (const auto& [name, file] : samples) {
        SCOPED_TRACE(name);
        ExpectTruncationsSafe(reader, file, title);
    }
}

// A file read over a medium that fails from failFrom on: an I/O error, not a verdict on the file.
inline void ExpectIoErrorFrom(Reader reader, const Bytes& file, std::uint64_t failFrom) {
    FailingSource src(file, failFrom);
    EXPECT_EQ(reader(src, MarkingAnsi).status, ReadStatus::IoError);
}

// What a reader takes from a file does not grow with its media data: the files `build` makes
// around 1 KiB and 4 MiB of media both give `title`, for the same bytes read and fewer than
// `most`.
template <typename Build>
void ExpectBytesReadFlatAsMediaGrows(Reader reader, Build build, const std::u16string& title,
                                     std::uint64_t most) {
    std::vector<std::uint64_t> read;
    for (const std::size_t media : {std::size_t{1} << 10, std::size_t{1} << 22}) {
        const Bytes file = build(media);
        MemorySource src(file.data(), file.size());
        EXPECT_EQ(EncodeUtf8(reader(src, MarkingAnsi).title), EncodeUtf8(title)) << media;
        read.push_back(src.BytesRead());
    }
    EXPECT_EQ(read[0], read[1]);
    EXPECT_LT(read[1], most);
}

// One row of a reader's table test: a file and what the reader makes of it.
struct ReaderCase {
    const char* name;
    Bytes file;
    ReadStatus status;
    std::u16string title;
};

inline void PrintTo(const ReaderCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::string CaseName(const testing::TestParamInfo<ReaderCase>& info) {
    return info.param.name;
}

class ReaderTest : public testing::TestWithParam<ReaderCase> {};

// Reads the case's file and checks status and title.
inline TitleResult ExpectCase(Reader reader, const ReaderCase& c) {
    const TitleResult r = RunReader(reader, c.file);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(EncodeUtf8(r.title), EncodeUtf8(c.title));
    return r;
}

// ExpectCase, and every truncated prefix of the file gives no title or the case's; the file is
// written as a fuzz seed when asked. For readers whose shorter files cannot hold another title.
inline void ExpectCaseAndTruncations(Reader reader, const std::string& seedPrefix,
                                     const ReaderCase& c) {
    WriteSeedsIfAsked(seedPrefix, {{c.name, c.file}});
    ExpectCase(reader, c);
    ExpectTruncationsSafe(reader, c.file, c.title);
}

}  // namespace qm::media::test
