// The file source the built-in title shell reads through: every mix of window hits, refills and
// direct reads delivers the file's own bytes through the Win32 file API.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "media/WindowCases.h"
#include "win/Win32FileSource.h"

namespace qm::win {
namespace {

using media::test::Pattern;
using media::test::PatternFile;
using media::test::Step;
using media::test::WindowCase;

class Win32FileSourceWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(Win32FileSourceWindowTest, DeliversTheFileBytes) {
    const WindowCase& c = GetParam();
    const PatternFile file(c.size);
    const auto src = Win32FileSource::Open(file.path().wstring());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Size(), c.size);
    for (const Step& s : c.steps) {
        SCOPED_TRACE("offset " + std::to_string(s.offset) + ", " + std::to_string(s.n) + " bytes");
        std::string got(s.n, '\0');
        ASSERT_EQ(src->ReadAt(s.offset, &got[0], s.n), s.ok);
        if (s.ok) {
            EXPECT_EQ(got, Pattern(s.offset, s.n));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Win32FileSourceWindowTest,
                         ::testing::ValuesIn(media::test::WindowCases()),
                         [](const ::testing::TestParamInfo<WindowCase>& info) {
                             return info.param.name;
                         });

// The scan never stands in the user's way: a file another program holds open for writing still
// reads, and the open source does not keep the file from being deleted.
TEST(Win32FileSourceTest, SharesTheFileWithWritersAndDeleters) {
    const PatternFile file(1000);
    UniqueFile writer(::CreateFileW(file.path().wstring().c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.Valid());
    const auto src = Win32FileSource::Open(file.path().wstring());
    ASSERT_TRUE(src);
    std::string got(10, '\0');
    ASSERT_TRUE(src->ReadAt(990, &got[0], 10));
    EXPECT_EQ(got, Pattern(990, 10));
    writer.Reset();
    EXPECT_TRUE(::DeleteFileW(file.path().wstring().c_str()));
}

TEST(Win32FileSourceTest, MissingFileOpensNothing) {
    EXPECT_FALSE(Win32FileSource::Open(L"C:\\no such folder\\no such file.mkv"));
}

}  // namespace
}  // namespace qm::win
