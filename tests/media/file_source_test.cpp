#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "media/FileSource.h"

namespace qm::media {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t W = FileSource::kWindowSize;
constexpr std::uint64_t A = FileSource::kWindowAlign;
constexpr std::size_t M = FileSource::kMaxWindowed;

// Byte i of every test file: a pattern in which a piece read from the wrong offset shows.
char PatternAt(std::uint64_t i) {
    return static_cast<char>((i * 131u + (i >> 8)) & 0xFF);
}

std::string Pattern(std::uint64_t offset, std::size_t n) {
    std::string out(n, '\0');
    for (std::size_t k = 0; k < n; ++k)
        out[k] = PatternAt(offset + k);
    return out;
}

class PatternFile {
  public:
    explicit PatternFile(std::uint64_t size) {
        static std::atomic<int> counter{0};
        path_ = fs::temp_directory_path() /
                ("qm_file_source_" + std::to_string(++counter) + "_" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".bin");
        std::ofstream out(path_, std::ios::binary);
        const std::string bytes = Pattern(0, static_cast<std::size_t>(size));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~PatternFile() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

struct Step {
    std::uint64_t offset;
    std::size_t n;
    bool ok;
};

struct WindowCase {
    const char* name;
    std::uint64_t size;
    std::vector<Step> steps;
};

std::ostream& operator<<(std::ostream& os, const WindowCase& c) {
    return os << c.name;
}

class FileSourceWindowTest : public testing::TestWithParam<WindowCase> {};

// Whatever mix of window hits, refills and direct reads a reader makes, every read delivers the
// file's own bytes, and a read past the end fails without spoiling the next one.
TEST_P(FileSourceWindowTest, DeliversTheFileBytes) {
    const WindowCase& c = GetParam();
    const PatternFile file(c.size);
    const auto src = FileSource::Open(file.path().string());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Size(), c.size);
    for (const Step& s : c.steps) {
        SCOPED_TRACE("offset " + std::to_string(s.offset) + ", " + std::to_string(s.n) + " bytes");
        std::string got(s.n, '\0');
        ASSERT_EQ(src->ReadAt(s.offset, got.data(), s.n), s.ok);
        if (s.ok) {
            EXPECT_EQ(got, Pattern(s.offset, s.n));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FileSourceWindowTest,
    testing::Values(
        WindowCase{"Empty", 0, {{0, 0, true}, {0, 1, false}}},
        WindowCase{"ShorterThanWindow",
                   5000,
                   {{0, 16, true}, {4990, 10, true}, {4991, 10, false}, {100, 4900, true}}},
        WindowCase{"ExactlyOneWindow", W, {{W - 4, 4, true}, {0, W, true}, {W - 3, 4, false}}},
        WindowCase{"OneByteMoreThanAWindow",
                   W + 1,
                   {{W, 1, true}, {W - 2, 3, true}, {0, 1, true}, {W, 2, false}}},
        WindowCase{"Large",
                   200000,
                   {{0, 8, true},
                    {W - 4, 5, true},       // one byte past the first window
                    {W - 2, 8, true},       // straddles the first window's end
                    {150000, 12, true},     // far ahead, as to a moov at the end
                    {199990, 10, true},     // the last bytes
                    {199991, 10, false},    // one past them
                    {5, M, true},           // the largest windowed read
                    {A - 1, M, true},       // ... from the last byte of a block
                    {3, M + 1, true},       // the smallest direct read
                    {100, 150000, true},    // a long direct read
                    {150000, 12, true}}}),  // and back into a window
    [](const testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

// The reader's counters are the reader's own: the window read at opening is not counted.
TEST(FileSourceTest, CountsOnlyTheCallersReads) {
    const PatternFile file(100000);
    const auto src = FileSource::Open(file.path().string());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Reads(), 0u);
    EXPECT_EQ(src->BytesRead(), 0u);
    char buf[4];
    ASSERT_TRUE(src->ReadAt(0, buf, 4));
    ASSERT_TRUE(src->ReadAt(90000, buf, 4));
    EXPECT_EQ(src->Reads(), 2u);
    EXPECT_EQ(src->BytesRead(), 8u);
}

// A file cut short after opening: what is still there reads, even when the window around it
// can no longer be filled; what has gone fails.
TEST(FileSourceTest, FileShrunkAfterOpening) {
    const PatternFile file(100000);
    const auto src = FileSource::Open(file.path().string());
    ASSERT_TRUE(src);
    std::error_code ec;
    fs::resize_file(file.path(), 30000, ec);
    if (ec) GTEST_SKIP() << "cannot shorten an open file here: " << ec.message();

    std::string got(8, '\0');
    ASSERT_TRUE(src->ReadAt(29990, got.data(), 8));  // the window [28672, 45056) is gone
    EXPECT_EQ(got, Pattern(29990, 8));
    EXPECT_FALSE(src->ReadAt(29995, got.data(), 8));
    ASSERT_TRUE(src->ReadAt(20000, got.data(), 8));
    EXPECT_EQ(got, Pattern(20000, 8));
}

}  // namespace
}  // namespace qm::media
