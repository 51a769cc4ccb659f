// The candidate list over a real report list view: what is appended reads back unchanged, and
// the columns widen to fit and never narrow.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "win/CandidateList.h"

namespace qm::win::test {
namespace {

class CandidateListTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(window_.Created()); }
    CandidateListWindow window_;
    CandidateList list_ = window_.List();
    ListView view_ = window_.View();
};

// Each field reads back from its own column, checked or not, in the running code page: in 932
// with double-byte characters whose trail byte is "\", elsewhere with accented letters; and a
// folder longer than the first buffer the list's text is read into.
TEST_F(CandidateListTest, ReadsBackWhatWasAppended) {
    const bool japanese = ::GetACP() == 932;
    const std::string hyouji = japanese ? "\x95\x5C\x8E\xA6" : "r\xE9sum\xE9";  // 表示 / résumé
    const std::vector<Candidate> rows = {
        {"Title " + hyouji, "base" + hyouji, ".avi", "C:\\" + hyouji + "\\", true},
        {"t", "", ".mkv", "C:\\", false},
        {"no extension", "readme", "", "C:\\" + std::string(700, 'f') + "\\", true},
    };
    for (const Candidate& c : rows) {
        const int row = list_.Append(c);
        EXPECT_EQ(row, list_.Count() - 1);
    }
    EXPECT_EQ(window_.Candidates(), rows);

    EXPECT_TRUE(list_.Remove(1));
    EXPECT_EQ(window_.Candidates(), (std::vector<Candidate>{rows[0], rows[2]}));
}

TEST_F(CandidateListTest, ColumnsWidenToFitAndNeverNarrow) {
    const std::string longTitle = "A long title that is wider than the first column";
    const std::string longName = "a-rather-long-file-name-for-the-name-column";
    const std::string longFolder = "C:\\a-folder-whose-name-is-long-enough-to-widen-its-column\\";
    list_.Append(Candidate{longTitle, longName, ".avi", longFolder, true});
    list_.Append(Candidate{"Short", "b", ".avi-with-a-long-extension", "C:\\", true});

    // The name column is sized for the whole file name; the extension column keeps its width.
    EXPECT_EQ(view_.ColumnWidth(0), view_.TextWidth(longTitle) + 30);
    EXPECT_EQ(view_.ColumnWidth(1), view_.TextWidth(longName + ".avi") + 10);
    EXPECT_EQ(view_.ColumnWidth(2), 50);
    EXPECT_EQ(view_.ColumnWidth(3), view_.TextWidth(longFolder) + 10);

    // A column the user made wider than its texts stays so.
    view_.SetColumnWidth(1, 900);
    list_.Append(Candidate{"x", "y", ".avi", "C:\\", true});
    EXPECT_EQ(view_.ColumnWidth(1), 900);
}

TEST_F(CandidateListTest, ClearRemovesEveryRowAndKeepsColumnWidths) {
    list_.Clear();  // an empty list: nothing happens
    list_.Append(Candidate{"a", "a", ".avi", "C:\\", true});
    list_.Append(Candidate{"b", "b", ".avi", "C:\\", false});
    view_.SetColumnWidth(0, 240);
    view_.SetColumnWidth(3, 310);
    list_.Clear();
    EXPECT_EQ(list_.Count(), 0);
    EXPECT_EQ(view_.ColumnWidth(0), 240);
    EXPECT_EQ(view_.ColumnWidth(1), 100);
    EXPECT_EQ(view_.ColumnWidth(3), 310);
}

}  // namespace
}  // namespace qm::win::test
