// The rename pass on real folders: a report list view with check boxes filled as the scanner
// fills it, real files in a temp folder, the real MoveFileA.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "core/AsciiCase.h"
#include "core/ClashName.h"
#include "core/PathPieces.h"
#include "win/FileSystem.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ListView.h"
#include "win/Rename.h"

namespace qm::win {
namespace {

constexpr int kMaxTreeDepth = 8;

using test::TempFolder;

bool WriteText(const std::string& path, const std::string& content) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok =
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == content.size();
}

std::string ReadText(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content(4096, '\0');
    DWORD read = 0;
    ::ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
    ::CloseHandle(file);
    content.resize(read);
    return content;
}

// Sets a file's last-write time to 2 January of the given year, local midnight or so.
bool SetWriteYear(const std::string& path, WORD year) {
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = 1;
    st.wDay = 2;
    FILETIME ft = {};
    if (!::SystemTimeToFileTime(&st, &ft)) return false;
    HANDLE file =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = ::SetFileTime(file, nullptr, nullptr, &ft);
    ::CloseHandle(file);
    return ok != 0;
}

// Every entry of a folder tree as "relative path" -> content ("<dir>" for folders).
using Snapshot = std::map<std::string, std::string>;

void TakeSnapshot(const std::string& folder, const std::string& prefix, Snapshot& out,
                  int depth = 0) {
    if (depth > kMaxTreeDepth) return;
    FolderListing listing(folder + "*");
    for (bool more = listing.Started(); more; more = listing.Next()) {
        std::string name = listing.Name();
        if (name == "." || name == "..") continue;
        if (listing.Attributes() & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name + "\\"] = "<dir>";
            TakeSnapshot(folder + name + "\\", prefix + name + "\\", out, depth + 1);
        } else {
            out[prefix + name] = ReadText(folder + name);
        }
    }
}

Snapshot SnapshotOf(const TempFolder& folder) {
    Snapshot s;
    TakeSnapshot(folder.Path(), "", s);
    return s;
}

// A report list view with check boxes and the four candidate columns, filled the way the
// scanner fills it.
class CandidateList {
  public:
    CandidateList() {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        hwnd_ = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_EDITLABELS, 0, 0,
                                  600, 300, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
        const char* headers[] = {"new", "former", "ext", "folder"};
        for (int i = 0; i < 4; ++i) {
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 100;
            column.pszText = const_cast<char*>(headers[i]);
            ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&column));
        }
    }
    ~CandidateList() { ::DestroyWindow(hwnd_); }
    CandidateList(const CandidateList&) = delete;
    CandidateList& operator=(const CandidateList&) = delete;

    bool Created() const { return hwnd_ != nullptr; }
    ListView View() const { return ListView(hwnd_); }

    // Appends the row of the file `folder` + `fileName` with the proposed name `title`.
    int Add(const std::string& title, const std::string& folder, const std::string& fileName,
            bool checked = true) const {
        const LeadBytes& lead = SystemLeadBytes();
        ListView view = View();
        int row = view.AppendRow(title);
        view.SetText(row, 1, BaseNamePiece(fileName, lead));
        view.SetText(row, 2, ExtensionPiece(fileName, lead));
        view.SetText(row, 3, folder);
        view.SetChecked(row, checked);
        return row;
    }

    // Every row as "caption|base|extension|folder|checked".
    std::vector<std::string> Rows() const {
        ListView view = View();
        std::vector<std::string> rows;
        for (int i = 0; i < view.Count(); ++i) {
            rows.push_back(view.Text(i, 0) + "|" + view.Text(i, 1) + "|" + view.Text(i, 2) + "|" +
                           view.Text(i, 3) + "|" + (view.Checked(i) ? "x" : "-"));
        }
        return rows;
    }

    void RenamePass(const FileMover& move = MoveWithoutReplacing) const {
        RenameCheckedRows(View(), move);
    }

  private:
    HWND hwnd_ = nullptr;
};

// What this platform's MoveFileA does, probed once in a scratch folder; Wine differs from
// Windows in places and the tests say so where it matters.
bool PlatformRefusesNameWith(char c) {
    TempFolder scratch;
    WriteText(scratch / "probe", "x");
    std::string target = scratch / (std::string("a") + c + "b");
    return ::MoveFileA((scratch / "probe").c_str(), target.c_str()) == 0;
}

// True when a file dated in the given year is counted as absent, as on Windows for years
// outside 1980 to 2107.
bool PlatformRejectsYear(WORD year) {
    TempFolder scratch;
    WriteText(scratch / "probe", "x");
    SetWriteYear(scratch / "probe", year);
    return !IsExistingFile(scratch / "probe");
}

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

class RenamePass : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(list.Created()); }
    TempFolder dir;
    CandidateList list;
};

TEST_F(RenamePass, RenamesCheckedRowsAndLeavesUncheckedOnesUntouched) {
    ASSERT_TRUE(WriteText(dir / "a.avi", "A"));
    ASSERT_TRUE(WriteText(dir / "b.mp4", "B"));
    ASSERT_TRUE(WriteText(dir / "c", "C"));
    ASSERT_TRUE(WriteText(dir / "d.tar.gz", "D"));
    list.Add("Alpha", dir.Path(), "a.avi");
    list.Add("Beta", dir.Path(), "b.mp4", /*checked=*/false);
    list.Add("Gamma", dir.Path(), "c");
    list.Add("Delta", dir.Path(), "d.tar.gz");

    list.RenamePass();

    EXPECT_EQ(list.Rows(), std::vector<std::string>{"Beta|b|.mp4|" + dir.Path() + "|-"});
    EXPECT_EQ(SnapshotOf(dir),
              (Snapshot{{"Alpha.avi", "A"}, {"b.mp4", "B"}, {"Gamma", "C"}, {"Delta.gz", "D"}}));

    // A second press over only an unchecked row changes nothing; an empty list is no error.
    list.RenamePass();
    EXPECT_EQ(list.Rows().size(), 1u);
    list.View().Clear();
    list.RenamePass();
    EXPECT_EQ(list.View().Count(), 0);
}

TEST_F(RenamePass, ClearRemovesEveryRowAndKeepsColumnWidths) {
    ListView view = list.View();
    view.Clear();  // an empty list: nothing happens
    list.Add("a", dir.Path(), "a.avi");
    list.Add("b", dir.Path(), "b.avi", /*checked=*/false);
    view.SetColumnWidth(0, 240);
    view.SetColumnWidth(3, 310);
    view.Clear();
    EXPECT_EQ(view.Count(), 0);
    EXPECT_EQ(view.ColumnWidth(0), 240);
    EXPECT_EQ(view.ColumnWidth(1), 100);
    EXPECT_EQ(view.ColumnWidth(3), 310);
}

TEST_F(RenamePass, FolderWithoutTrailingSeparatorGetsOne) {
    ASSERT_TRUE(WriteText(dir / "a.avi", "A"));
    list.Add("Alpha", dir.Path().substr(0, dir.Path().size() - 1), "a.avi");
    list.RenamePass();
    EXPECT_EQ(list.View().Count(), 0);
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"Alpha.avi", "A"}}));
}

TEST_F(RenamePass, ClashCounterRunsOnTheTitleInUpperCaseHex) {
    struct Case {
        int taken;  // -1: nothing taken; 0: the title; n > 0: the title and suffixes 0..n-1
        const char* expected;
    };
    const Case cases[] = {
        {-1, "title.avi"},    {0, "title_00.avi"},   {1, "title_01.avi"},    {9, "title_09.avi"},
        {10, "title_0A.avi"}, {255, "title_FF.avi"}, {256, "title_100.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        TempFolder folder;
        ASSERT_TRUE(WriteText(folder / "source.avi", "source"));
        if (c.taken >= 0) {
            ASSERT_TRUE(WriteText(folder / "title.avi", "taken"));
        }
        for (int i = 0; i < c.taken; ++i)
            ASSERT_TRUE(WriteText(folder / ("title" + ClashSuffix(i) + ".avi"), "taken"));
        // Names with a suffix on a suffix must not be mistaken for free tries.
        ASSERT_TRUE(WriteText(folder / "title_00_00.avi", "decoy"));
        list.View().Clear();
        list.Add("title", folder.Path(), "source.avi");

        list.RenamePass();

        EXPECT_EQ(list.View().Count(), 0);
        Snapshot after = SnapshotOf(folder);
        EXPECT_EQ(after[c.expected], "source");
        EXPECT_EQ(after.count("source.avi"), 0u);
        EXPECT_EQ(after.size(), static_cast<size_t>(c.taken + 3));
    }
}

TEST_F(RenamePass, LowerRowOfTwoWithOneNameGetsThePlainName) {
    ASSERT_TRUE(WriteText(dir / "upper.avi", "U"));
    ASSERT_TRUE(WriteText(dir / "lower.avi", "L"));
    list.Add("same", dir.Path(), "upper.avi");
    list.Add("same", dir.Path(), "lower.avi");
    list.RenamePass();
    EXPECT_EQ(list.View().Count(), 0);
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"same.avi", "L"}, {"same_00.avi", "U"}}));
}

TEST_F(RenamePass, SameFileInTwoRowsIsRenamedOnceAndTheUpperRowStays) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    list.Add("first", dir.Path(), "clip.avi");
    list.Add("second", dir.Path(), "clip.avi");
    list.RenamePass();
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"first|clip|.avi|" + dir.Path() + "|x"});
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"second.avi", "C"}}));
}

TEST_F(RenamePass, FileRenamedIntoAFreedNameIsNotRenamedAgainByItsRow) {
    // p.avi is listed twice; its lower row renames it first, q.avi then takes the freed name
    // p.avi, and p.avi's upper row must not rename q's content after p's title.
    ASSERT_TRUE(WriteText(dir / "p.avi", "P"));
    ASSERT_TRUE(WriteText(dir / "q.avi", "Q"));
    list.Add("fromP", dir.Path(), "p.avi");
    list.Add("p", dir.Path(), "q.avi");
    list.Add("other", dir.Path(), "p.avi");
    list.RenamePass();
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"fromP|p|.avi|" + dir.Path() + "|x"});
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"other.avi", "P"}, {"p.avi", "Q"}}));
}

TEST_F(RenamePass, EmptyNameKeepsTheExtensionAsTheWholeName) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    ASSERT_TRUE(WriteText(dir / "noext", "N"));
    list.Add("", dir.Path(), "noext");
    list.Add("", dir.Path(), "clip.avi");
    list.RenamePass();
    // clip.avi becomes ".avi"; without an extension the target is the folder itself, which the
    // rename refuses.
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"|noext||" + dir.Path() + "|x"});
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{".avi", "C"}, {"noext", "N"}}));
}

// A row that fails stays as it was, and every file keeps its name and content.
void ExpectRowKeptAndNothingChanged(const CandidateList& list, const TempFolder& dir,
                                    const Snapshot& before) {
    std::vector<std::string> rows = list.Rows();
    list.RenamePass();
    EXPECT_EQ(list.Rows(), rows);
    EXPECT_EQ(SnapshotOf(dir), before);
}

class ForbiddenCharacter : public RenamePass, public ::testing::WithParamInterface<char> {};

TEST_P(ForbiddenCharacter, RowStays) {
    const char c = GetParam();
    if (!PlatformRefusesNameWith(c))
        GTEST_SKIP() << "this platform's MoveFileA accepts '" << c
                     << "' in a file name (Wine does for ':'); Windows refuses it";
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    // "*" and "?" act as wildcards in the existence test: this file makes the clash loop count
    // tries before the rename is refused.
    ASSERT_TRUE(WriteText(dir / "aXb.avi", "X"));
    list.Add(std::string("a") + c + "b", dir.Path(), "clip.avi");
    ExpectRowKeptAndNothingChanged(list, dir, SnapshotOf(dir));
}

INSTANTIATE_TEST_SUITE_P(WindowsRefuses, ForbiddenCharacter,
                         ::testing::Values(':', '?', '*', '"', '<', '>', '|'),
                         [](const ::testing::TestParamInfo<char>& info) {
                             return "Char" + std::to_string(static_cast<int>(info.param));
                         });

TEST_F(RenamePass, FolderNamedLikeTheCandidateKeepsTheRow) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    ASSERT_TRUE(::CreateDirectoryA((dir / "title.avi").c_str(), nullptr));
    list.Add("title", dir.Path(), "clip.avi");
    ExpectRowKeptAndNothingChanged(list, dir, SnapshotOf(dir));
}

TEST_F(RenamePass, FileAtTheCandidateDatedOutsideDosTimeKeepsTheRow) {
    for (WORD year : {WORD{1975}, WORD{2110}}) {
        SCOPED_TRACE(year);
        if (!PlatformRejectsYear(year)) {
            // Wine's FileTimeToDosDateTime accepts years after 2107.
            std::printf("note: this platform counts a file dated %u as existing\n", year);
            continue;
        }
        TempFolder folder;
        ASSERT_TRUE(WriteText(folder / "clip.avi", "C"));
        ASSERT_TRUE(WriteText(folder / "title.avi", "old"));
        ASSERT_TRUE(SetWriteYear(folder / "title.avi", year));
        list.View().Clear();
        list.Add("title", folder.Path(), "clip.avi");
        ExpectRowKeptAndNothingChanged(list, folder, SnapshotOf(folder));
    }
}

TEST_F(RenamePass, SourceDatedOutsideDosTimeIsSkipped) {
    ASSERT_TRUE(PlatformRejectsYear(1975));
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    ASSERT_TRUE(SetWriteYear(dir / "clip.avi", 1975));
    list.Add("title", dir.Path(), "clip.avi");
    ExpectRowKeptAndNothingChanged(list, dir, SnapshotOf(dir));
}

TEST_F(RenamePass, SourceDeletedAfterTheScanKeepsTheRow) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    ASSERT_TRUE(WriteText(dir / "other.avi", "O"));
    list.Add("title", dir.Path(), "clip.avi");
    list.Add("renamed", dir.Path(), "other.avi");
    ASSERT_TRUE(::DeleteFileA((dir / "clip.avi").c_str()));
    list.RenamePass();
    EXPECT_EQ(list.Rows(), std::vector<std::string>{"title|clip|.avi|" + dir.Path() + "|x"});
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"renamed.avi", "O"}}));
}

TEST_F(RenamePass, FileHeldOpenWithoutSharingKeepsTheRow) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    HANDLE held = ::CreateFileA((dir / "clip.avi").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    list.Add("title", dir.Path(), "clip.avi");
    std::vector<std::string> rows = list.Rows();
    list.RenamePass();
    ::CloseHandle(held);
    EXPECT_EQ(list.Rows(), rows);
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"clip.avi", "C"}}));
}

TEST_F(RenamePass, ReadOnlyFolderKeepsTheRow) {
    ASSERT_TRUE(WriteText(dir / "clip.avi", "C"));
    std::string folder = dir.Path().substr(0, dir.Path().size() - 1);
    ASSERT_TRUE(::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY));
    bool writable = WriteText(dir / "probe", "p");
    if (writable) {
        ::DeleteFileA((dir / "probe").c_str());
        ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "the read-only attribute does not stop changes in this folder (Windows "
                        "ignores it on folders; Wine running as root ignores the mode bits)";
    }
    list.Add("title", dir.Path(), "clip.avi");
    ExpectRowKeptAndNothingChanged(list, dir, SnapshotOf(dir));
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A title is read from the file: a separator in it would move the file out of its folder.
TEST_F(RenamePass, TitleWithPathSeparatorIsNotAttempted) {
    ASSERT_TRUE(::CreateDirectoryA((dir / "sub").c_str(), nullptr));
    for (const char* title : {"..\\..\\x", "..\\x", "sub\\x", "sub/x", "/x", "x\\", "\\"}) {
        SCOPED_TRACE(title);
        ASSERT_TRUE(WriteText(dir / "sub\\clip.avi", "C"));
        ASSERT_TRUE(::CreateDirectoryA((dir / "sub\\sub").c_str(), nullptr));
        list.View().Clear();
        list.Add(title, dir / "sub\\", "clip.avi");
        ExpectRowKeptAndNothingChanged(list, dir, SnapshotOf(dir));
        ::RemoveDirectoryA((dir / "sub\\sub").c_str());
        ::DeleteFileA((dir / "sub\\clip.avi").c_str());
    }
}

// A file that already bears the name its row would give it leaves the list untouched, also when
// that name is a later try (so a repeated pass changes nothing), and its path counts as handled:
// an upper row for the same file stays.
TEST_F(RenamePass, FileAlreadyBearingItsNameIsLeftAloneAndItsPathHandled) {
    struct Case {
        const char* file;
        const char* title;
        const char* taken;  // another file's name, or nullptr
    };
    const Case cases[] = {{"clip.avi", "clip", nullptr}, {"Movie_00.avi", "Movie", "Movie.avi"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempFolder folder;
        ASSERT_TRUE(WriteText(folder / c.file, "F"));
        if (c.taken) {
            ASSERT_TRUE(WriteText(folder / c.taken, "other"));
        }
        list.View().Clear();
        list.Add("Upper", folder.Path(), c.file);
        list.Add(c.title, folder.Path(), c.file);
        const Snapshot before = SnapshotOf(folder);
        const std::vector<std::string> upper = {list.Rows()[0]};
        list.RenamePass();
        EXPECT_EQ(list.Rows(), upper);
        EXPECT_EQ(SnapshotOf(folder), before);
    }
}

// Each link renames its own path: remembering renamed files by identity would leave b's row.
TEST_F(RenamePass, EachHardLinkOfOneFileIsRenamedByItsOwnRow) {
    ASSERT_TRUE(WriteText(dir / "a.avi", "L"));
    ASSERT_TRUE(::CreateHardLinkA((dir / "b.avi").c_str(), (dir / "a.avi").c_str(), nullptr));
    list.Add("Alpha", dir.Path(), "a.avi");
    list.Add("Beta", dir.Path(), "b.avi");
    list.RenamePass();
    EXPECT_EQ(list.View().Count(), 0);
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{"Alpha.avi", "L"}, {"Beta.avi", "L"}}));
}

// A case-only change ends under the new capitalisation (not Clip_00.avi), also where the rename
// primitive reports it done and keeps the old spelling, as Wine's MoveFileA does; when the step
// out of the temporary name fails, the file is back under its own name and the row stays.
TEST_F(RenamePass, CaseOnlyChangeEndsUnderTheNewCapitalisationOrTheOldName) {
    struct Case {
        const char* name;
        bool keepsSpelling;    // a case-only rename reports success and changes nothing
        bool intoNameFails;    // a rename into Clip.avi fails
        const char* expected;  // the file's name afterwards
    };
    const Case cases[] = {
        {"the platform's own rename", false, false, "Clip.avi"},
        {"a rename that keeps the spelling", true, false, "Clip.avi"},
        {"and the second step fails", true, true, "clip.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_TRUE(WriteText(folder / "clip.avi", "C"));
        list.View().Clear();
        list.Add("Clip", folder.Path(), "clip.avi");
        list.RenamePass([&](const std::string& from, const std::string& to) {
            if (c.keepsSpelling && AsciiLower(from) == AsciiLower(to)) return true;
            if (c.intoNameFails && to == folder / "Clip.avi") return false;
            return MoveWithoutReplacing(from, to);
        });
        EXPECT_EQ(SnapshotOf(folder), (Snapshot{{c.expected, "C"}}));
        EXPECT_EQ(list.View().Count(), std::string(c.expected) == "Clip.avi" ? 0 : 1);
    }
}

TEST_F(RenamePass, ShiftJisTrailByte5CIsNoSeparator) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs the Shift-JIS code page";
    // 表 and ソ end in the byte 0x5C; so does the folder's last character.
    const std::string hyou = "\x95\x5C";
    const std::string title = hyou + "\x8E\xA6\x83\x5C\x83\x74\x83\x67";  // 表示ソフト
    ASSERT_TRUE(::CreateDirectoryA((dir / hyou).c_str(), nullptr));
    ASSERT_TRUE(WriteText(dir / (hyou + "\\clip.avi"), "C"));
    ASSERT_TRUE(WriteText(dir / (hyou + "\\" + title + ".avi"), "taken"));
    list.Add(title, dir / hyou, "clip.avi");  // folder without its trailing separator
    list.RenamePass();
    EXPECT_EQ(list.View().Count(), 0);
    EXPECT_EQ(SnapshotOf(dir), (Snapshot{{hyou + "\\", "<dir>"},
                                         {hyou + "\\" + title + ".avi", "taken"},
                                         {hyou + "\\" + title + "_00.avi", "C"}}));
}

// Random trees with random titles: whatever the titles, no content is lost or overwritten,
// every file stays in its folder, and the rows left are exactly those not renamed.
TEST(RenameProperty, RandomTreesLoseNothing) {
    const bool cp932 = ::GetACP() == 932;
    const std::string forbidden = ":?*\"<>|";
    std::string refused;
    for (char c : forbidden)
        if (PlatformRefusesNameWith(c)) refused += c;

    const std::vector<std::string> words = {"clip", "Clip", "CLIP", "title", "movie", "a"};
    const std::vector<std::string> odd = {"a?b",
                                          "x|y",
                                          "q\"r",
                                          "<t>",
                                          "c*",
                                          "m:n",
                                          "..\\..\\esc",
                                          "sub/esc",
                                          "..\\esc",
                                          "",
                                          cp932 ? "\x95\x5C\x8E\xA6" : "r\xE9sum\xE9",
                                          cp932 ? "\x83\x5C\x83\x74" : "caf\xE9"};
    const std::vector<std::string> extensions = {".avi", ".mp4", "", ".MKV"};

    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) {
            return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        };
        auto chance = [&](int percent) { return static_cast<int>(pick(100)) < percent; };

        TempFolder root;
        std::vector<std::string> folders = {root.Path(), root / "one\\", root / "two\\",
                                            root / "two\\deep\\", root / "sub\\"};
        for (std::size_t i = 1; i < folders.size(); ++i)
            ASSERT_TRUE(::CreateDirectoryA(folders[i].c_str(), nullptr));

        struct File {
            std::string folder, name, content;
        };
        std::vector<File> files;
        std::map<std::string, bool> usedLower;  // folder + lower-case name: no case twins
        for (int i = 0; files.size() < 120; ++i) {
            File f;
            f.folder = folders[pick(folders.size())];
            std::string base = chance(40) ? words[pick(words.size())] : "f" + std::to_string(i);
            if (chance(15)) base += ClashSuffix(static_cast<std::uint32_t>(pick(3)));
            f.name = base + extensions[pick(extensions.size())];
            if (usedLower[f.folder + AsciiLower(f.name)]) continue;
            usedLower[f.folder + AsciiLower(f.name)] = true;
            f.content = "content " + std::to_string(seed) + "/" + std::to_string(i);
            ASSERT_TRUE(WriteText(f.folder + f.name, f.content));
            files.push_back(f);
        }

        CandidateList list;
        struct Row {
            std::size_t file;
            std::string title;
            bool checked;
        };
        std::vector<Row> rows;
        const LeadBytes& lead = SystemLeadBytes();
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string base = BaseNamePiece(files[i].name, lead);
            int kind = static_cast<int>(pick(10));
            std::string title;
            bool duplicate = chance(8);
            if (kind < 4 || duplicate) {
                title = words[pick(words.size())];
            } else if (kind < 6) {
                title = odd[pick(odd.size())];
            } else if (kind == 6) {
                title = base;
            } else if (kind == 7) {
                title = AsciiUpper(base) == base ? AsciiLower(base) : AsciiUpper(base);
            } else {
                // The name of another file, perhaps of this folder.
                title = BaseNamePiece(files[pick(files.size())].name, lead);
            }
            rows.push_back({i, title, !chance(10)});
            if (duplicate) rows.push_back({i, words[pick(words.size())], true});
        }
        std::shuffle(rows.begin(), rows.end(), rng);
        for (const Row& r : rows)
            list.Add(r.title, files[r.file].folder, files[r.file].name, r.checked);

        list.RenamePass();

        // Where every content ended up.
        Snapshot after = SnapshotOf(root);
        std::map<std::string, std::string> pathOf;  // content -> relative path
        std::size_t fileCount = 0;
        for (const auto& [path, content] : after) {
            if (content == "<dir>") continue;
            ++fileCount;
            EXPECT_EQ(pathOf.count(content), 0u) << "content twice: " << path;
            pathOf[content] = path;
        }
        ASSERT_EQ(fileCount, files.size());
        std::vector<std::string> finalName(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            auto it = pathOf.find(files[i].content);
            ASSERT_NE(it, pathOf.end()) << "lost: " << files[i].folder + files[i].name;
            // Split at the last "\\" only: Wine lets a ":" into a name.
            const std::string& rel = it->second;
            std::size_t cut = FindLastChar(rel, "\\", lead);
            cut = cut == std::string::npos ? 0 : cut + 1;
            EXPECT_EQ(root.Path() + rel.substr(0, cut), files[i].folder) << "moved: " << rel;
            finalName[i] = rel.substr(cut);
        }

        // Rows left, as a multiset of their texts. Every row removed accounts for a file that
        // now bears exactly its title (perhaps with a counter), at most one row a file.
        std::vector<std::string> left = list.Rows();
        std::multiset<std::string> leftSet(left.begin(), left.end());
        std::vector<int> removedRows(files.size(), 0);
        std::vector<const Row*> keptChecked;
        for (const Row& r : rows) {
            const File& f = files[r.file];
            const std::string ext = ExtensionPiece(f.name, lead);
            std::string text = r.title + "|" + BaseNamePiece(f.name, lead) + "|" + ext + "|" +
                               f.folder + "|" + (r.checked ? "x" : "-");
            auto it = leftSet.find(text);
            if (it != leftSet.end()) {
                leftSet.erase(it);
                if (r.checked) keptChecked.push_back(&r);
                continue;
            }
            EXPECT_TRUE(r.checked) << "unchecked row removed: " << text;
            ++removedRows[r.file];
            bool matches = false;
            for (std::uint64_t t = 0; t < 300 && !matches; ++t)
                matches = finalName[r.file] == ClashCandidate(r.title, t) + ext;
            EXPECT_TRUE(matches) << "row " << text << " removed, file is " << finalName[r.file];
        }
        EXPECT_TRUE(leftSet.empty()) << "rows that were never added";
        // A checked row stays only for a name the pass may not use, when its file left the
        // name (another row renamed it, and perhaps another file took it), or when another
        // row of its file handled the path (renamed it in letter case only, or found it so
        // named already).
        for (const Row* r : keptChecked) {
            const File& f = files[r->file];
            const std::string ext = ExtensionPiece(f.name, lead);
            const bool unusable = HasPathSeparator(r->title, lead) ||
                                  r->title.find_first_of(refused) != std::string::npos ||
                                  (r->title.empty() && ext.empty());
            const bool sourceGone = ReadText(f.folder + f.name) != f.content;
            const bool handled =
                removedRows[r->file] == 1 && AsciiLower(finalName[r->file]) == AsciiLower(f.name);
            EXPECT_TRUE(unusable || sourceGone || handled)
                << "row kept: " << r->title << " for " << f.folder + f.name;
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_LE(removedRows[i], 1) << files[i].name << " renamed by two rows";
            if (finalName[i] != files[i].name) {
                EXPECT_EQ(removedRows[i], 1) << files[i].name << " renamed, row kept";
            }
        }
    }
}

}  // namespace
}  // namespace qm::win
