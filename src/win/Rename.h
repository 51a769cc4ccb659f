// The rename pass over the checked rows of the candidate list.
#pragma once

#include <functional>
#include <string>

#include "win/framework/ListView.h"

namespace qm::win {

// Renames the entry `from` to `to`; true on success. It must fail, and never replace anything,
// when an entry named `to` exists.
using FileMover = std::function<bool(const std::string& from, const std::string& to)>;

// MoveFileA without flags, which fails when an entry of the new name exists.
bool MoveWithoutReplacing(const std::string& from, const std::string& to);

// Renames every checked row's file inside its own folder after the row's proposed name,
// resolving clashes with a counter, and deletes the rows it renamed. Every rename goes through
// `move` (tests put a failing one in).
void RenameCheckedRows(const ListView& list, const FileMover& move = MoveWithoutReplacing);

}  // namespace qm::win
