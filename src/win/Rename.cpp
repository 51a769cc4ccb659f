#include "win/Rename.h"

namespace qm::win {

// Placeholder until the rename pass lands.
void RenameCheckedRows(const ListView&) {}

}  // namespace qm::win
