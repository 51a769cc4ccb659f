// Reads that exercise a windowed byte source: window hits, refills, reads that straddle a
// window's end, direct reads and reads past the end, over files whose bytes show an offset
// mistake. Shared by the tests of every windowed source.
#pragma once

#include <cstddef>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "media/WindowedSource.h"

namespace qm::media::test {

// Byte i of every test file: a pattern in which a piece read from the wrong offset shows.
inline char PatternAt(std::uint64_t i) {
    return static_cast<char>((i * 131u + (i >> 8)) & 0xFF);
}

inline std::string Pattern(std::uint64_t offset, std::size_t n) {
    std::string out(n, '\0');
    for (std::size_t k = 0; k < n; ++k)
        out[k] = PatternAt(offset + k);
    return out;
}

// Test processes run side by side in one temp folder (one per code page under Wine): the names
// of their temp files and folders carry this per-process token.
inline unsigned TestProcessToken() {
    static const unsigned token =
        std::random_device{}() ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    return token;
}

// A temp file of `size` pattern bytes, removed when the test is done with it.
class PatternFile {
  public:
    explicit PatternFile(std::uint64_t size) {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("qm_file_source_" + std::to_string(TestProcessToken()) + "_" +
                 std::to_string(++counter) + ".bin");
        std::ofstream out(path_, std::ios::binary);
        const std::string bytes = Pattern(0, static_cast<std::size_t>(size));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~PatternFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
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

inline std::ostream& operator<<(std::ostream& os, const WindowCase& c) {
    return os << c.name;
}

inline std::vector<WindowCase> WindowCases() {
    constexpr std::uint64_t W = WindowedSource::kWindowSize;
    constexpr std::uint64_t A = WindowedSource::kWindowAlign;
    constexpr std::size_t M = WindowedSource::kMaxWindowed;
    return {
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
                    {W - 4, 5, true},      // one byte past the first window
                    {W - 2, 8, true},      // straddles the first window's end
                    {150000, 12, true},    // far ahead, as to a moov at the end
                    {199990, 10, true},    // the last bytes
                    {199991, 10, false},   // one past them
                    {5, M, true},          // the largest windowed read
                    {A - 1, M, true},      // ... from the last byte of a block
                    {3, M + 1, true},      // the smallest direct read
                    {100, 150000, true},   // a long direct read
                    {150000, 12, true}}},  // and back into a window
    };
}

}  // namespace qm::media::test
