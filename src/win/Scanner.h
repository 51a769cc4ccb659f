// The scan of dropped paths: examines files and walks folders down to the depth limit, listing
// every file whose Title detail exists and differs from its base name.
#pragma once

#include <functional>
#include <string>

#include "win/CandidateList.h"

namespace qm::win {

// Where a scan appends its rows and where it asks for the depth limit.
struct ScanTarget {
    CandidateList list;
    std::function<int()> depthLimit;  // asked afresh for every entry that is not a file
};

// Examines a file, or walks a folder, appending candidates at the end of the list.
// Errors of the shell object are raised to the caller.
void ScanPath(const ScanTarget& target, const std::string& path, int depth);

}  // namespace qm::win
