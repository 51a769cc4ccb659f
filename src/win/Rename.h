// The rename pass over the checked rows of the candidate list.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "win/CandidateList.h"

namespace qm::win {

// Renames the entry `from` to `to`; true on success. It must fail, and never replace anything,
// when an entry named `to` exists.
using FileMover = std::function<bool(const std::string& from, const std::string& to)>;

// MoveFileA without flags, which fails when an entry of the new name exists.
bool MoveWithoutReplacing(const std::string& from, const std::string& to);

// Renames every checked candidate's file inside its own folder after the row's proposed name,
// resolving clashes with a counter, and deletes the rows it renamed. A row never renames a file
// other than the one it was listed for: a checked row whose file another row of the press
// already renamed or found so named leaves the list untouched, and so does every row, checked
// or not, whose path another row filled with a file, or left to a case twin. Every rename goes
// through `move` (tests put failing or lying ones in).
void RenameCheckedRows(const CandidateList& list, const FileMover& move = MoveWithoutReplacing);

// Compares two file names ignoring letter case as the file system does: < 0, 0 or > 0. Uses
// CompareStringOrdinal where the system has it (Windows Vista on), else the fallback below.
int CompareNamesIgnoringCase(std::wstring_view a, std::wstring_view b);

// The fallback for Windows XP: both names upper-cased with the invariant locale's table, which
// without linguistic casing is the file system's, then compared code unit by code unit.
int CompareNamesByUpperCase(std::wstring_view a, std::wstring_view b);

}  // namespace qm::win
