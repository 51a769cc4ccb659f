// The rename pass over the checked rows of the candidate list.
#pragma once

#include "win/framework/ListView.h"

namespace qm::win {

// Renames every checked row's file inside its own folder after the row's proposed name,
// resolving clashes with a counter, and deletes the rows it renamed.
void RenameCheckedRows(const ListView& list);

}  // namespace qm::win
