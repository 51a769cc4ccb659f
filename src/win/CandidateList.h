// The candidate list: the rows of the main window's list view, one file a row, each proposing a
// new name. This class alone knows the column order; the scanner appends candidates and the
// rename pass reads and removes them without knowing a column number.
#pragma once

#include <array>
#include <string>

#include "win/framework/ListView.h"

namespace qm::win {

// The columns in their order on screen.
enum class CandidateColumn : int {
    Title,      // the caption: the proposed base name, which the user may edit in place
    BaseName,   // the file's name without its extension
    Extension,  // with its dot, or empty
    Folder,     // the file's folder as the scan reached it
};
constexpr int kCandidateColumnCount = 4;

// A table with one entry per column in the list's order, each made by `make(column)`: a form's
// layout table takes the columns' headers and widths from it.
template <typename T, typename Make>
constexpr std::array<T, kCandidateColumnCount> PerCandidateColumn(Make make) {
    return {make(CandidateColumn::Title), make(CandidateColumn::BaseName),
            make(CandidateColumn::Extension), make(CandidateColumn::Folder)};
}

// One row: a file and the name proposed for it.
struct Candidate {
    std::string title;
    std::string baseName;
    std::string extension;
    std::string folder;
    bool checked = true;

    bool operator==(const Candidate& o) const {
        return title == o.title && baseName == o.baseName && extension == o.extension &&
               folder == o.folder && checked == o.checked;
    }
};

// A non-owning view of a report list view laid out with the candidate columns.
class CandidateList {
  public:
    explicit CandidateList(const ListView& view) : view_(view) {}

    int Count() const { return view_.Count(); }

    // Appends the candidate as the last row and widens the title, name and folder columns to fit
    // its texts (never narrowing them; the name column is sized for the whole file name). The
    // check box is set last, once the row is complete. Returns the row, -1 when the list took
    // none.
    int Append(const Candidate& candidate) const;

    Candidate Read(int row) const;
    bool Remove(int row) const { return view_.DeleteRow(row); }
    // Every row goes; the columns keep their widths.
    void Clear() const { view_.Clear(); }

  private:
    ListView view_;
};

}  // namespace qm::win
