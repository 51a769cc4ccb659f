// Helpers for the container reader tests: little builders of integers, a source that fails on
// demand, an ANSI decoder that marks its output, and the check that feeds every truncated prefix
// of a file to a reader.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "media/ByteSource.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media::testing_util {

using Reader = TitleResult (*)(ByteSource&, const AnsiDecoder&);

inline std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
inline std::string Le64(std::uint64_t v) {
    return Le32(static_cast<std::uint32_t>(v)) + Le32(static_cast<std::uint32_t>(v >> 32));
}
inline std::string Be32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
    return s;
}
inline std::string Be24(std::uint32_t v) {
    return Be32(v).substr(1);
}

// Decodes "ANSI" text as Latin-1 behind a marker, so tests see which decoder was used.
inline std::u16string MarkingAnsi(std::string_view bytes) {
    return u"[ansi]" + DecodeLatin1(bytes);
}

// A source whose reads fail from a given offset on, as a failing disk would.
class FailingSource final : public ByteSource {
  public:
    FailingSource(const std::string& data, std::uint64_t failFrom)
        : ByteSource(data.size()), data_(data), failFrom_(failFrom) {}

  private:
    bool DoRead(std::uint64_t offset, void* dst, std::size_t n) override {
        if (offset + n > failFrom_) return false;
        std::memcpy(dst, data_.data() + offset, n);
        return true;
    }
    std::string data_;
    std::uint64_t failFrom_;
};

// Runs a reader over an exact-size heap copy of the bytes, so that any overread is caught by
// the address sanitizer rather than landing in a neighbouring string.
inline TitleResult Run(Reader reader, std::string_view bytes,
                       const AnsiDecoder& ansi = MarkingAnsi) {
    std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    MemorySource src(copy.data(), copy.size());
    return reader(src, ansi);
}

// Every prefix of a small file, and a spread of prefixes of a large one, gives either no title
// (an empty one included) or the full file's title; never another text.
inline void ExpectTruncationsSafe(Reader reader, const std::string& file,
                                  const std::u16string& title) {
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
        const TitleResult r = Run(reader, std::string_view(file).substr(0, n));
        if (!r.title.empty()) {
            EXPECT_EQ(r.status, ReadStatus::Found) << "cut at " << n;
            EXPECT_EQ(EncodeUtf8(r.title), EncodeUtf8(title)) << "cut at " << n;
        }
    }
}

}  // namespace qm::media::testing_util
