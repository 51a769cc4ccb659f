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
#include "media/WindowCases.h"

namespace qm::media {
namespace {

namespace fs = std::filesystem;

using test::Pattern;
using test::PatternFile;

class FileSourceWindowTest : public testing::TestWithParam<test::WindowCase> {};

// Whatever mix of window hits, refills and direct reads a reader makes, every read delivers the
// file's own bytes, and a read past the end fails without spoiling the next one.
TEST_P(FileSourceWindowTest, DeliversTheFileBytes) {
    const test::WindowCase& c = GetParam();
    const PatternFile file(c.size);
    const auto src = FileSource::Open(file.path().string());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Size(), c.size);
    for (const test::Step& s : c.steps) {
        SCOPED_TRACE("offset " + std::to_string(s.offset) + ", " + std::to_string(s.n) + " bytes");
        std::string got(s.n, '\0');
        ASSERT_EQ(src->ReadAt(s.offset, got.data(), s.n), s.ok);
        if (s.ok) {
            EXPECT_EQ(got, Pattern(s.offset, s.n));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileSourceWindowTest, testing::ValuesIn(test::WindowCases()),
                         [](const testing::TestParamInfo<test::WindowCase>& info) {
                             return info.param.name;
                         });

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
