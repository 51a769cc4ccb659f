#include "win/CandidateList.h"

namespace qm::win {

namespace {

// Extra pixels beside the measured text of the title, name and folder columns.
constexpr int kTitleMargin = 30;
constexpr int kNameMargin = 10;
constexpr int kFolderMargin = 10;

constexpr int Index(CandidateColumn column) {
    return static_cast<int>(column);
}

}  // namespace

int CandidateList::Append(const Candidate& candidate) const {
    const int row = view_.AppendRow(candidate.title);
    if (row < 0) return row;
    view_.SetText(row, Index(CandidateColumn::BaseName), candidate.baseName);
    view_.SetText(row, Index(CandidateColumn::Extension), candidate.extension);
    view_.SetText(row, Index(CandidateColumn::Folder), candidate.folder);

    // Widen to fit, never narrow; the extension column keeps its width.
    view_.EnsureColumnWidth(Index(CandidateColumn::Title),
                            view_.TextWidth(candidate.title) + kTitleMargin);
    view_.EnsureColumnWidth(
        Index(CandidateColumn::BaseName),
        view_.TextWidth(candidate.baseName + candidate.extension) + kNameMargin);
    view_.EnsureColumnWidth(Index(CandidateColumn::Folder),
                            view_.TextWidth(candidate.folder) + kFolderMargin);

    view_.SetChecked(row, candidate.checked);
    return row;
}

Candidate CandidateList::Read(int row) const {
    return Candidate{view_.Text(row, Index(CandidateColumn::Title)),
                     view_.Text(row, Index(CandidateColumn::BaseName)),
                     view_.Text(row, Index(CandidateColumn::Extension)),
                     view_.Text(row, Index(CandidateColumn::Folder)), view_.Checked(row)};
}

}  // namespace qm::win
