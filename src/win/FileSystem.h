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

// The directory-search calls a listing makes. Tests replace them to play what Windows does and
// Wine cannot (a name too long for the ANSI buffer); nullptr restores the system's.
struct FindCalls {
    HANDLE(WINAPI* first)(LPCSTR pattern, LPWIN32_FIND_DATAA data);
    BOOL(WINAPI* next)(HANDLE find, LPWIN32_FIND_DATAA data);
};
void SetFindCallsForTests(const FindCalls* calls);

// A listing of the entries that match a pattern ("<folder>\*.*"), closed on every path out.
// An entry whose name the ANSI search cannot deliver whole (on Windows, FindNextFileA fails with
// ERROR_MORE_DATA for a name longer than its 260-byte buffer: about 130 double-byte characters)
// is skipped, and the listing goes on with the next one.
class FolderListing {
  public:
    explicit FolderListing(const std::string& pattern);
    // False when the listing did not start (unreadable folder, no entry at all).
    bool Started() const { return find_.Valid(); }
    // The current entry's long file name; valid while Started() and until Next() fails.
    std::string Name() const;
    DWORD Attributes() const { return data_.dwFileAttributes; }
    // Moves to the next entry; false at the end or at the first failure other than a name that
    // cannot be delivered.
    bool Next();

  private:
    // Whether the current entry's name ends within its buffer.
    bool Deliverable() const;
    // Where the ANSI search cannot deliver the first entry: the same search through the wide
    // call, that entry converted when it fits and skipped when not.
    void StartWide(const std::string& pattern);

    // Declared before find_: members start in this order, and the search fills data_.
    WIN32_FIND_DATAA data_ = {};
    UniqueFind find_;
};

}  // namespace qm::win
