// The system's ANSI code page as the portable text routines want it: the ranges of its lead
// bytes, so that the second byte of a double-byte character is never taken for a delimiter.
#pragma once

#include "core/Ansi.h"

namespace qm::win {

// The lead bytes of the system's ANSI code page, read once with GetCPInfo.
const LeadBytes& SystemLeadBytes();

}  // namespace qm::win
