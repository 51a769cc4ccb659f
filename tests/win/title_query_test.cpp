// Asking a shell automation object for a file's Title, with a fake shell object in place of the
// system's and real files in a temp folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeShell.h"
#include "WinTestSupport.h"
#include "win/framework/AnsiText.h"
#include "win/TitleQuery.h"

namespace qm::win::test {
namespace {

class TitleQueryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
    void TearDown() override {
        EXPECT_EQ(shell_.liveObjects, 0) << "a shell object was not released";
        ::CoUninitialize();
    }

    // A file of the temp folder whose Title the fake answers (empty: no entry).
    std::string File(const std::string& name, const std::wstring& title = L"") {
        EXPECT_TRUE(WriteText(dir_ / name, ""));
        if (!title.empty()) shell_.titles[AnsiToWide(dir_ / name)] = title;
        return name;
    }
    ShellTitleAnswer Ask(const std::string& name) {
        return AskShellTitle(shell_.NewShell().Get(), dir_.Path(), name);
    }

    TempFolder dir_;
    FakeShell shell_;
};

TEST_F(TitleQueryTest, AsksTheShellThreeCallsWithTheirArgumentTypes) {
    const std::string name = File("clip.avi", L"A title");
    const ShellTitleAnswer answer = Ask(name);
    EXPECT_EQ(answer.kind, ShellTitleAnswer::Title);
    EXPECT_EQ(answer.text, "A title");

    ASSERT_EQ(shell_.calls.size(), 3u);
    EXPECT_EQ(shell_.calls[0].method, "NameSpace");
    EXPECT_EQ(shell_.calls[0].types, std::vector<VARTYPE>{VT_BSTR});
    EXPECT_EQ(shell_.calls[0].text, AnsiToWide(dir_.Path()));  // ending in its separator
    EXPECT_EQ(shell_.calls[1].method, "ParseName");
    EXPECT_EQ(shell_.calls[1].types, std::vector<VARTYPE>{VT_BSTR});
    EXPECT_EQ(shell_.calls[1].text, L"clip.avi");
    EXPECT_EQ(shell_.calls[2].method, "GetDetailsOf");
    EXPECT_EQ(shell_.calls[2].types, (std::vector<VARTYPE>{VT_BYREF | VT_VARIANT, VT_I4}));
    EXPECT_EQ(shell_.calls[2].text, AnsiToWide(dir_ / name));
    EXPECT_EQ(shell_.calls[2].column, kClassicTitleColumn);
}

// Where the shell is asked for the Title: the column its folders name as the Title, else the
// item's ExtendedProperty (Vista on), else column 10 (2000 and XP, when the folder names none of
// its columns). Where none serves, the answer says the Title is unnamed. The fake's other
// columns answer "PC\user", as column 10 (the Owner) does from Windows 7 on.
struct RouteCase {
    const char* what;
    ShellGeneration generation;
    int columnCount, titleColumn;
    bool extendedProperty;
    std::string asked;  // the shell's call that answered, with its column; empty: unnamed
};

void PrintTo(const RouteCase& c, std::ostream* os) {
    *os << c.what;
}

class TitleRouteTest : public TitleQueryTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(TitleRouteTest, AsksOnlyWhereTheTitleIsKnownToBe) {
    const RouteCase& c = GetParam();
    SetShellGenerationForTests(c.generation);
    shell_.columnCount = c.columnCount;
    shell_.titleColumn = c.titleColumn;
    shell_.extendedProperty = c.extendedProperty;
    shell_.otherDetail = L"PC\\user";
    const ShellTitleAnswer answer = Ask(File("a.mkv", L"From the shell"));
    SetShellGenerationForTests(std::nullopt);

    std::string asked;
    for (const FakeCall& call : shell_.calls) {
        if (call.method == "GetDetailsOf") asked += "GetDetailsOf " + std::to_string(call.column);
        if (call.method == "ExtendedProperty") asked += "ExtendedProperty";
    }
    EXPECT_EQ(asked, c.asked);
    if (c.asked.empty()) {
        EXPECT_EQ(answer.kind, ShellTitleAnswer::TitleUnnamed);
    } else {
        EXPECT_EQ(answer.kind, ShellTitleAnswer::Title);
        EXPECT_EQ(answer.text, "From the shell");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, TitleRouteTest,
    ::testing::Values(RouteCase{"Title where Windows 7 has it", ShellGeneration::PropertySystem, 40,
                                21, true, "GetDetailsOf 21"},
                      RouteCase{"Title in column 0", ShellGeneration::PropertySystem, 5, 0, false,
                                "GetDetailsOf 0"},
                      RouteCase{"no Title column, ExtendedProperty answers",
                                ShellGeneration::PropertySystem, 40, -1, true, "ExtendedProperty"},
                      RouteCase{"no shell folder, ExtendedProperty answers",
                                ShellGeneration::PropertySystem, 0, -1, true, "ExtendedProperty"},
                      RouteCase{"column 10 is the Owner and nothing names the Title",
                                ShellGeneration::PropertySystem, 40, -1, false, ""},
                      RouteCase{"no shell folder and no ExtendedProperty",
                                ShellGeneration::PropertySystem, 0, -1, false, ""},
                      RouteCase{"XP folder that names no column", ShellGeneration::Classic, 0, -1,
                                true, "GetDetailsOf 10"},
                      RouteCase{"XP folder that names its columns, none the Title",
                                ShellGeneration::Classic, 40, -1, true, ""}));

TEST_F(TitleQueryTest, NoFolderOrItemObjectMeansNoTitle) {
    const std::string name = File("a.avi", L"T");
    shell_.noItemObject = true;
    EXPECT_EQ(Ask(name).kind, ShellTitleAnswer::NoObject);
    shell_.noItemObject = false;
    shell_.noFolderObject = true;
    EXPECT_EQ(Ask(name).kind, ShellTitleAnswer::NoObject);
    // The folder would have answered the column's header for no item.
    EXPECT_TRUE(shell_.CallsOf("GetDetailsOf").empty());
    EXPECT_EQ(shell_.CallsOf("ParseName").size(), 1u);
}

TEST_F(TitleQueryTest, TitleCharactersTheCodePageLacksArriveReplaced) {
    // Japanese in a Western code page, or a Hangul syllable in the Japanese one.
    const bool japanese = ::GetACP() == 932;
    const std::string name = File("movie.avi", japanese ? L"\uD55C" : L"\u65E5\u672C");
    EXPECT_EQ(Ask(name).text, japanese ? "?" : "??");
}

}  // namespace
}  // namespace qm::win::test
