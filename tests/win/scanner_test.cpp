// The scan of dropped paths, on real folder trees in a temp folder, with a fake shell object in
// place of the system's and a real report list view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "FakeShell.h"
#include "WinTestSupport.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/ListView.h"
#include "win/FileSystem.h"
#include "win/Scanner.h"
#include "win/ShellFactory.h"
#include "win/TitleQuery.h"

namespace qm::win::test {
namespace {

using Row = Candidate;

std::wstring Wide(const std::string& s) {
    return AnsiToWide(s);
}

// Removes a folder tree, whatever the attributes of what it holds.
void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data = {};
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileW(full.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day) {
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = 12;
    FILETIME ft = {};
    ::SystemTimeToFileTime(&st, &ft);
    return ft;
}

class ScannerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        ASSERT_TRUE(window_.Created());
        list_ = window_.View();

        char temp[MAX_PATH] = {};
        ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
        root_ = std::string(temp) + "qm-scan-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++serial_);
        RemoveTree(Wide(root_));
        ASSERT_TRUE(::CreateDirectoryA(root_.c_str(), nullptr));
        root_ += "\\";

        SetShellObjectFactory(shell_.Factory());
    }

    void TearDown() override {
        ResetShellObjectFactory();
        RemoveTree(Wide(root_.substr(0, root_.size() - 1)));
        EXPECT_EQ(shell_.liveObjects, 0) << "a shell object was not released";
        ::CoUninitialize();
    }

    // A folder below the temp root; returns its path without a trailing separator.
    std::string Dir(const std::string& rel) {
        std::string path = root_ + rel;
        EXPECT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
        return path;
    }

    // A file below the temp root whose Title the fake answers (empty: no entry).
    std::string File(const std::string& rel, const std::wstring& title = L"") {
        std::string path = root_ + rel;
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        if (!title.empty()) shell_.titles[Wide(path)] = title;
        return path;
    }

    // Replaces a file's contents.
    static void WriteBytes(const std::string& path, const Bytes& bytes) {
        UniqueFile f(
            ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f.Valid()) << path;
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                nullptr));
    }

    // Scans a path with depth 0 and the given limit; counts how often the limit is asked.
    void Scan(const std::string& path, int limit) {
        ScanPath(ScanTarget{window_.List(),
                            [this, limit] {
                                ++limitAsked_;
                                return limit;
                            }},
                 path, 0);
    }

    std::vector<Row> Rows() const { return window_.Candidates(); }

    // The row expected for a file of the temp tree listed with a title.
    Row Listed(const std::string& folderRel, const std::string& base, const std::string& ext,
               const std::string& title) const {
        return Row{title, base, ext, root_ + folderRel, true};
    }

    static int serial_;
    CandidateListWindow window_;  // the main window's list as the scanner sees it
    ListView list_;
    std::string root_;  // ends in "\"
    FakeShell shell_;
    int limitAsked_ = 0;
};

int ScannerTest::serial_ = 0;

// --- which files become rows -------------------------------------------------------------

struct TitleCase {
    const char* what;
    std::string fileName;
    std::wstring title;
    bool listed;
    std::string baseName, extension;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.what;
}

class TitleRuleTest : public ScannerTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(TitleRuleTest, ListsOnlyTitlesThatDifferFromTheBaseName) {
    const TitleCase& c = GetParam();
    const std::string path = File(c.fileName, c.title);
    Scan(path, 2);
    std::vector<Row> expected;
    if (c.listed)
        expected.push_back(Listed("", c.baseName, c.extension, WideToAnsi(c.title.c_str())));
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(shell_.shellsCreated, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleRuleTest,
    ::testing::Values(
        TitleCase{"equal to the base name", "same.avi", L"same", false, "", ""},
        TitleCase{"differing only in case", "Case.avi", L"case", true, "Case", ".avi"},
        TitleCase{"empty", "empty.avi", L"", false, "", ""},
        TitleCase{"equal to the whole file name", "full.avi", L"full.avi", true, "full", ".avi"},
        TitleCase{"several dots", "movie.part1.avi", L"Movie", true, "movie.part1", ".avi"},
        TitleCase{"no extension", "readme", L"Read me", true, "readme", ""},
        TitleCase{"a file named .avi", ".avi", L"X", true, "", ".avi"},
        TitleCase{"not a video", "data.bin", L"Data", true, "data", ".bin"},
        TitleCase{"not trimmed", "trail.mp4", L"trail ", true, "trail", ".mp4"}));

// The shell object and the folder and item objects it gave serve until the row is made.
TEST_F(ScannerTest, ReleasesTheShellsObjectsAfterTheRowFolderFirst) {
    const std::string path = File("clip.avi", L"A title");
    std::vector<std::string> released;
    shell_.onRelease = [&](const std::string& kind) {
        released.push_back(kind + (list_.Count() == 1 ? " after the row" : " before the row"));
    };
    Scan(path, 2);
    shell_.onRelease = nullptr;
    EXPECT_EQ(released, (std::vector<std::string>{"folder after the row", "shell after the row",
                                                  "item after the row"}));
    EXPECT_EQ(Rows(), std::vector<Row>{Listed("", "clip", ".avi", "A title")});
}

// Where the shell cannot say which of its details is the Title (an XP folder that names its
// columns, none the Title), the file's own metadata answers: here a Matroska file titled
// "From the file".
TEST_F(ScannerTest, WhereTheShellCannotNameTheTitleTheFileAnswers) {
    SetShellGenerationForTests(ShellGeneration::Classic);
    shell_.columnCount = 40;
    shell_.titleColumn = -1;
    const std::string path = File("a.mkv", L"From the shell");
    WriteBytes(path, MatroskaWithTitle("From the file"));
    Scan(path, 2);
    SetShellGenerationForTests(std::nullopt);
    EXPECT_EQ(Rows(), std::vector<Row>{Listed("", "a", ".mkv", "From the file")});
}

TEST_F(ScannerTest, DroppedFileIsExaminedWhateverTheLimit) {
    const std::string path = File("dropped.avi", L"T");
    Scan(path, 0);
    ScanPath(ScanTarget{window_.List(), [] { return 0; }}, path, 7);
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(limitAsked_, 0);
}

TEST_F(ScannerTest, MissingPathsDoNothing) {
    Scan(root_ + "nothing-here.avi", 2);
    Scan(root_ + "no-folder\\", 2);
    Dir("empty");
    Scan(root_ + "empty", 2);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(shell_.calls.empty());
}

// --- walking folders ---------------------------------------------------------------------

struct LimitCase {
    int limit;
    std::vector<std::string> rows;  // folders (below the temp root) of the rows, in row order
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << "limit " << c.limit;
}

class DepthLimitTest : public ScannerTest, public ::testing::WithParamInterface<LimitCase> {};

// D holds S holds T holds U, and one titled file on every level, named to come after the
// folder beside it in the listing (which is sorted by name, here as on NTFS). The walk is
// depth-first in listing order, so the deepest folder's row comes first.
TEST_P(DepthLimitTest, ListsSubFoldersDownToLimitPlusOneLevelsDepthFirst) {
    const LimitCase& c = GetParam();
    const std::vector<std::string> levels = {"D\\", "D\\S\\", "D\\S\\T\\", "D\\S\\T\\U\\"};
    for (const std::string& level : levels) {
        Dir(level.substr(0, level.size() - 1));
        File(level + "z.avi", L"title in " + Wide(level));
    }
    Scan(root_ + "D", c.limit);

    std::vector<Row> expected;
    for (const std::string& folder : c.rows)
        expected.push_back(Listed(folder, "z", ".avi", "title in " + folder));
    EXPECT_EQ(Rows(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DepthLimitTest,
    ::testing::Values(LimitCase{0, {"D\\S\\", "D\\"}}, LimitCase{1, {"D\\S\\T\\", "D\\S\\", "D\\"}},
                      LimitCase{2, {"D\\S\\T\\U\\", "D\\S\\T\\", "D\\S\\", "D\\"}}));

TEST_F(ScannerTest, LimitIsAskedAfreshForEveryEntryThatIsNoFile) {
    for (const char* folder : {"D", "D\\A", "D\\B", "D\\C"})
        Dir(folder);
    File("D\\x.avi");
    File("D\\y.avi");
    Scan(root_ + "D", 0);
    // For A, B and C: neither for the files nor once for each folder listed.
    EXPECT_EQ(limitAsked_, 3);
}

// What Windows does with a name longer than the ANSI search's 260-byte buffer (about 130
// double-byte characters in code page 932), played on entries whose names begin "long-": no
// Linux file system holds such a name. FindNextFileA fails with ERROR_MORE_DATA, having moved
// past the entry. Entries named "cut-" come back filling the buffer with no NUL, as a platform
// may also deliver them. A first entry it cannot deliver fails FindFirstFileA the same way.
HANDLE WINAPI FailingFirst(LPCSTR, LPWIN32_FIND_DATAA) {
    ::SetLastError(ERROR_MORE_DATA);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI NextAsWindows(HANDLE find, LPWIN32_FIND_DATAA data) {
    if (!::FindNextFileA(find, data)) return FALSE;
    if (std::strncmp(data->cFileName, "long-", 5) == 0) {
        ::SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    if (std::strncmp(data->cFileName, "cut-", 4) == 0)
        std::memset(data->cFileName, 'x', sizeof data->cFileName);
    return TRUE;
}

class LongNameTest : public ScannerTest {
  protected:
    void TearDown() override {
        SetFindCallsForTests(nullptr);
        ScannerTest::TearDown();
    }
    // D holds, in listing order, files and folders around the entries that cannot be delivered.
    void MakeTree() {
        Dir("D");
        File("D\\a.avi", L"A");
        File("D\\cut-b.avi", L"never");
        File("D\\long-c.avi", L"never");
        Dir("D\\long-d");
        File("D\\long-d\\inside.avi", L"never");
        File("D\\m.avi", L"M");
        Dir("D\\s");
        File("D\\s\\t.avi", L"T");
    }
    static std::vector<std::string> Names(const std::string& pattern) {
        std::vector<std::string> names;
        FolderListing listing(pattern);
        for (bool more = listing.Started(); more; more = listing.Next())
            names.push_back(listing.Name());
        return names;
    }
};

TEST_F(LongNameTest, AnEntryThatCannotBeDeliveredIsSkippedAndTheListingGoesOn) {
    MakeTree();
    const FindCalls windows = {::FindFirstFileA, NextAsWindows};
    SetFindCallsForTests(&windows);
    EXPECT_EQ(Names(root_ + "D\\*.*"),
              (std::vector<std::string>{".", "..", "a.avi", "m.avi", "s"}));
    Scan(root_ + "D", 2);
    EXPECT_EQ(Rows(),
              (std::vector<Row>{Listed("D\\", "a", ".avi", "A"), Listed("D\\", "m", ".avi", "M"),
                                Listed("D\\s\\", "t", ".avi", "T")}));
}

TEST_F(LongNameTest, AFirstEntryThatCannotBeDeliveredLeavesTheRest) {
    MakeTree();
    const FindCalls windows = {FailingFirst, NextAsWindows};
    SetFindCallsForTests(&windows);
    // The first entry (".") comes through the wide search, and fits.
    EXPECT_EQ(Names(root_ + "D\\*.*"),
              (std::vector<std::string>{".", "..", "a.avi", "m.avi", "s"}));
}

TEST_F(ScannerTest, FolderNamedLikeAFileIsWalkedAsAFolder) {
    Dir("D");
    Dir("D\\clip.avi");
    Dir("D\\S");
    Dir("D\\S\\deep.avi");
    File("D\\clip.avi\\inner.avi", L"inner title");
    File("D\\S\\deep.avi\\deeper.avi", L"deeper title");
    Scan(root_ + "D", 0);
    // D's own sub-folders are entered at limit 0; one level further is not.
    EXPECT_EQ(Rows(), std::vector<Row>{Listed("D\\clip.avi\\", "inner", ".avi", "inner title")});
    for (const FakeCall& call : shell_.CallsOf("ParseName"))
        EXPECT_NE(call.text, L"clip.avi");
}

TEST_F(ScannerTest, HiddenAndSystemFilesAreExamined) {
    Dir("D");
    const std::string hidden = File("D\\hidden.avi", L"H");
    const std::string system = File("D\\system.avi", L"S");
    ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    Scan(root_ + "D", 2);
    EXPECT_EQ(Rows(), (std::vector<Row>{Listed("D\\", "hidden", ".avi", "H"),
                                        Listed("D\\", "system", ".avi", "S")}));
}

TEST_F(ScannerTest, FilesDatedOutsideTheDosRangeAreNeverExamined) {
    Dir("D");
    File("D\\ok.avi", L"fine");
    struct {
        const char* name;
        FILETIME time;
    } dated[] = {{"D\\old.avi", FileTimeOf(1970, 1, 2)}, {"D\\future.avi", FileTimeOf(2110, 6, 1)}};
    for (auto& d : dated) {
        const std::string path = File(d.name, L"never");
        HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(::SetFileTime(h, nullptr, nullptr, &d.time));
        ::CloseHandle(h);
        WIN32_FILE_ATTRIBUTE_DATA attrs = {};
        ASSERT_TRUE(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attrs));
        ASSERT_EQ(::CompareFileTime(&attrs.ftLastWriteTime, &d.time), 0)
            << "the file system did not keep the time stamp of " << d.name;
    }
    Scan(root_ + "D", 2);
    Scan(root_ + "D\\old.avi", 2);  // dropped directly too
    Scan(root_ + "D\\future.avi", 2);
    EXPECT_EQ(Rows(), std::vector<Row>{Listed("D\\", "ok", ".avi", "fine")});
    EXPECT_EQ(shell_.shellsCreated, 1);
}

TEST_F(ScannerTest, TrailingSeparatorIsNotDoubled) {
    Dir("D");
    File("D\\a.avi", L"T");
    Scan(root_ + "D\\", 2);
    ASSERT_EQ(shell_.CallsOf("NameSpace").size(), 1u);
    EXPECT_EQ(shell_.CallsOf("NameSpace")[0].text, Wide(root_ + "D\\"));
    EXPECT_EQ(Rows(), std::vector<Row>{Listed("D\\", "a", ".avi", "T")});
}

TEST_F(ScannerTest, DriveRootIsListedWithoutASecondSeparator) {
    // The root of the system drive, with a titled file of this test in it. Under Wine the
    // drive is the prefix's own and writable; the walk also lists its direct sub-folders, whose
    // files the fake answers without a title.
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 2u);
    const std::string drive = std::string(windows, 2) + "\\";
    const std::string name = "qm-root-" + std::to_string(::GetCurrentProcessId()) + ".avi";
    const std::string path = drive + name;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "cannot write a file into " << drive;
    ::CloseHandle(h);
    shell_.titles[Wide(path)] = L"At the root";
    Scan(drive, 0);
    ::DeleteFileA(path.c_str());

    EXPECT_EQ(Rows(), (std::vector<Row>{Row{"At the root",
                                            "qm-root-" + std::to_string(::GetCurrentProcessId()),
                                            ".avi", drive, true}}));
    bool sawRoot = false;
    for (const FakeCall& call : shell_.CallsOf("NameSpace")) {
        EXPECT_EQ(call.text.find(L"\\\\"), std::wstring::npos) << WideToAnsi(call.text.c_str());
        sawRoot = sawRoot || call.text == Wide(drive);
    }
    EXPECT_TRUE(sawRoot);
}

TEST_F(ScannerTest, SameFolderDroppedTwiceIsListedTwice) {
    Dir("D");
    File("D\\a.avi", L"A");
    Scan(root_ + "D", 2);
    Scan(root_ + "D", 2);
    const Row a = Listed("D\\", "a", ".avi", "A");
    EXPECT_EQ(Rows(), (std::vector<Row>{a, a}));
}

// --- failures ----------------------------------------------------------------------------

struct FailureCase {
    const char* what;
    std::string method;  // "create" fails the creation of the shell object
    HRESULT code;
    std::wstring description;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.what;
}

class ShellFailureTest : public ScannerTest, public ::testing::WithParamInterface<FailureCase> {};

// The third file's examination fails: the error leaves the scan once, after the rows of the
// files before it, with every object released and every listing closed.
TEST_P(ShellFailureTest, RaisesOnceAndKeepsEarlierRows) {
    const FailureCase& c = GetParam();
    Dir("D");
    Dir("D\\S");
    for (const char* name : {"D\\a.avi", "D\\b.avi", "D\\S\\c.avi", "D\\S\\d.avi", "D\\S\\e.avi"})
        File(name, L"title");
    int created = 0;
    if (c.method == "create") {
        SetShellObjectFactory([&]() -> ComPtr<IDispatch> {
            if (++created == 3) throw ComError(c.code);
            return shell_.NewShell();
        });
    } else {
        // Fail the third file, whichever the listing gives third.
        SetShellObjectFactory([&] {
            if (++created == 3) shell_.failure = FakeFailure{c.method, L"", c.code, c.description};
            return shell_.NewShell();
        });
    }
    DWORD handlesBefore = 0, handlesAfter = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore));

    int raised = 0;
    try {
        Scan(root_ + "D", 2);
    } catch (const ComError& e) {
        ++raised;
        EXPECT_EQ(e.Code(), c.code);
        if (!c.description.empty()) {
            EXPECT_EQ(e.Message(), c.description);
        }
    }
    EXPECT_EQ(raised, 1);
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter));
    EXPECT_EQ(handlesAfter, handlesBefore) << "a folder listing was left open";

    // Two files were examined in full before the failure, and nothing was asked after it.
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(shell_.CallsOf("GetDetailsOf").size(), c.method == "GetDetailsOf" ? 3u : 2u);
    if (c.method != "create") {
        EXPECT_EQ(shell_.calls.back().method, c.method);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ShellFailureTest,
    ::testing::Values(FailureCase{"creation", "create", REGDB_E_CLASSNOTREG, L""},
                      FailureCase{"NameSpace", "NameSpace", E_ACCESSDENIED, L""},
                      FailureCase{"ParseName", "ParseName", E_FAIL, L"No such item"},
                      FailureCase{"GetDetailsOf", "GetDetailsOf", E_NOTIMPL,
                                  L"Details are not available"}));

// --- texts in the ANSI code page ---------------------------------------------------------

TEST_F(ScannerTest, JapaneseNamesAndTitlesRoundTripAsShiftJis) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs the Japanese ANSI code page";
    // ソ and 表 end in the byte 0x5C, the value of "\".
    const std::wstring folder = Wide(root_) + L"\u30BD\u30D5\u30C8";  // ソフト
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\\u8868\u793A.avi";  // 表示.avi
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    shell_.titles[file] = L"\u4E88\u5B9A\u8868";  // 予定表

    Scan(WideToAnsi(folder.c_str()), 2);

    const std::string soft = "\x83\x5C\x83\x74\x83\x67";
    EXPECT_EQ(Rows(), (std::vector<Row>{Row{"\x97\x5C\x92\xE8\x95\x5C", "\x95\x5C\x8E\xA6", ".avi",
                                            root_ + soft + "\\", true}}));
    ASSERT_EQ(shell_.CallsOf("ParseName").size(), 1u);
    EXPECT_EQ(shell_.CallsOf("NameSpace")[0].text, folder + L"\\");
    EXPECT_EQ(shell_.CallsOf("ParseName")[0].text, L"\u8868\u793A.avi");
}

}  // namespace
}  // namespace qm::win::test
