// The file system's answers as the program asks them: real files in a temp folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "WinTestSupport.h"
#include "win/FileSystem.h"

namespace qm::win {
namespace {

using test::SetWriteYear;
using test::TempFolder;
using test::WriteText;

// The existence test answers what a directory search for the path answers, also where it takes
// the shortcut of the path's attributes: wildcards still match, letter case does not count, and
// names a search and an attribute query may read apart are left to the search.
TEST(ExistenceTest, AnswersAsADirectorySearch) {
    TempFolder dir;
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    ASSERT_TRUE(WriteText(dir / "old.mkv", "O"));
    ASSERT_TRUE(SetWriteYear(dir / "old.mkv", 1975));
    ASSERT_TRUE(::CreateDirectoryA((dir / "sub.avi").c_str(), nullptr));
    const struct {
        const char* name;
        int expected;  // -1: whatever the search itself answers
    } cases[] = {
        {"clip.avi", 1},   {"CLIP.AVI", 1},  {"none.avi", 0},   {"none\\clip.avi", 0},
        {"sub.avi", 0},    {"sub.avi\\", 0}, {"old.mkv", 0},    {"c?ip.avi", 1},
        {"*.mkv", 0},      {"c*", 1},        {"clip.avi.", -1}, {"clip.avi ", -1},
        {"clip.avi\\", 0}, {"", 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        WIN32_FIND_DATAA data = {};
        HANDLE find = ::FindFirstFileA(path.c_str(), &data);
        const bool searched = find != INVALID_HANDLE_VALUE &&
                              !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                              std::string(data.cFileName) != "old.mkv";
        if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
        EXPECT_EQ(IsExistingFile(path), c.expected < 0 ? searched : c.expected == 1) << c.name;
    }
}

}  // namespace
}  // namespace qm::win
