// File-system questions the scanner and the rename pass ask, in the program's narrow ANSI text.
#pragma once

#include <windows.h>

#include <string>

#include "win/framework/Raii.h"

namespace qm::win {

// A path counts as an existing file only when a directory search for it (so "*" and "?" act as
// wildcards, and the first entry found decides) finds an entry that is not a folder and whose
// last-write time, in local time, has a DOS date form (years 1980 to 2107).
bool IsExistingFile(const std::string& path);

// A path names a folder when its attributes can be read and carry the directory flag.
bool IsFolder(const std::string& path);

// A listing of the entries that match a pattern ("<folder>\*.*"), closed on every path out.
class FolderListing {
  public:
    explicit FolderListing(const std::string& pattern);
    // False when the listing did not start (unreadable folder, no entry at all).
    bool Started() const { return find_.Valid(); }
    // The current entry's long file name; valid while Started() and until Next() fails.
    const char* Name() const { return data_.cFileName; }
    DWORD Attributes() const { return data_.dwFileAttributes; }
    // Moves to the next entry; false at the end or at the first failure, whatever its reason.
    bool Next();

  private:
    // Declared before find_: members start in this order, and the search fills data_.
    WIN32_FIND_DATAA data_ = {};
    UniqueFind find_;
};

}  // namespace qm::win
