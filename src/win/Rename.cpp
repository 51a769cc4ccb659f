#include "win/Rename.h"

#include <set>
#include <string>
#include <tuple>

#include "core/ClashName.h"
#include "core/PathPieces.h"
#include "win/framework/ComError.h"
#include "win/FileSystem.h"
#include "win/framework/Raii.h"

namespace qm::win {

namespace {

// One candidate row as the scanner laid it out.
struct CandidateRow {
    std::string title;      // caption: the proposed base name, perhaps edited by the user
    std::string baseName;   // sub-item 0
    std::string extension;  // sub-item 1, with its dot, or empty
    std::string folder;     // sub-item 2
};

CandidateRow ReadRow(const ListView& list, int row) {
    return CandidateRow{list.Text(row, 0), list.Text(row, 1), list.Text(row, 2), list.Text(row, 3)};
}

// Volume serial number and file index: which file a path names, as long as it exists.
using FileId = std::tuple<DWORD, DWORD, DWORD>;

// The identity of the file a path names, when it can be opened for its attributes (which no
// sharing mode held by another process prevents).
bool FileIdentity(const std::string& path, FileId& id) {
    UniqueFile file(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return false;
    id = FileId(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    return true;
}

// True only when both paths open and name one and the same file.
bool IsSameFile(const std::string& a, const std::string& b) {
    FileId ia, ib;
    return FileIdentity(a, ia) && FileIdentity(b, ib) && ia == ib;
}

// Equal ignoring letter case with the file system's own (ordinal, upper-case) rule.
bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    std::wstring wa = AnsiToWide(a), wb = AnsiToWide(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                  static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

// True when an existing candidate is the source file under its own name, perhaps spelled in
// another letter case; such a candidate is not a clash. Anything less certain (another file,
// a second hard link, a short name alias, a file that cannot be opened) counts as taken.
bool NamesSourceItself(const std::string& source, const std::string& candidate) {
    if (candidate == source) return true;
    return EqualIgnoringCase(candidate, source) && IsSameFile(candidate, source);
}

// One pass over the list. It remembers the files it has renamed: a row whose source path now
// holds one of them (a file renamed into the name of a file that an earlier row renamed
// away) was listed for another file, and must not rename this one after its title.
class RenamePass {
  public:
    // Renames one row's file; true when the row is done with (renamed, or already so named).
    bool RenameRowFile(const CandidateRow& row);

  private:
    std::set<FileId> renamed_;
};

bool RenamePass::RenameRowFile(const CandidateRow& row) {
    const LeadBytes& lead = SystemLeadBytes();
    // A title comes from the file itself: a separator in it would move the file out of its
    // folder, so such a name is refused like any name the file system refuses.
    if (HasPathSeparator(row.title, lead)) return false;

    const std::string folder = IncludeTrailingSeparator(row.folder, lead);
    const std::string source = folder + row.baseName + row.extension;
    if (!IsExistingFile(source)) return false;
    FileId sourceId;
    if (FileIdentity(source, sourceId) && renamed_.count(sourceId) != 0) return false;

    bool itself = false;
    auto name = ChooseFreeName(row.title, [&](const std::string& tried) {
        const std::string candidate = folder + tried + row.extension;
        if (!IsExistingFile(candidate)) return false;
        if (NamesSourceItself(source, candidate)) {
            itself = true;
            return false;
        }
        return true;
    });
    if (!name) return false;

    const std::string target = folder + *name + row.extension;
    if (itself && target == source) return true;  // the file already bears this name
    // MoveFileA without flags fails, never replaces, when an entry of the new name exists.
    if (!::MoveFileA(source.c_str(), target.c_str())) return false;
    FileId targetId;
    if (FileIdentity(target, targetId)) renamed_.insert(targetId);
    return true;
}

}  // namespace

void RenameCheckedRows(const ListView& list) {
    // Last row first, so deleting a row never moves one still to be visited.
    RenamePass pass;
    const int count = list.Count();
    for (int row = count - 1; row >= 0; --row) {
        if (!list.Checked(row)) continue;
        if (pass.RenameRowFile(ReadRow(list, row))) list.DeleteRow(row);
    }
}

}  // namespace qm::win
