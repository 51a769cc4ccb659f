#include "win/Rename.h"

#include <set>
#include <string>

#include "core/ClashName.h"
#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/FileSystem.h"
#include "win/framework/Raii.h"

namespace qm::win {

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

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

// Compares two paths ignoring letter case as the file system does: ordinally, with the system's
// upper-case table, over the UTF-16 the ANSI texts convert to (so a double-byte character stays
// one character, and full-width or accented letters fold as well as ASCII ones).
int ComparePathsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) -
           CSTR_EQUAL;
}

struct PathLessIgnoringCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ComparePathsIgnoringCase(a, b) < 0;
    }
};

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return ComparePathsIgnoringCase(AnsiToWide(a), AnsiToWide(b)) == 0;
}

// The name of the entry a directory search for the path finds, spelled as the file system
// keeps it; empty when there is none.
std::string SpellingOnDisk(const std::string& path) {
    WIN32_FIND_DATAA data = {};
    UniqueFind find(::FindFirstFileA(path.c_str(), &data));
    return find ? std::string(data.cFileName) : std::string();
}

// True when an existing candidate is the source's own entry, perhaps spelled in another letter
// case: such a candidate is no clash. In a folder that tells letter cases apart, "Clip.avi" and
// "clip.avi" are two entries, and the search spells each its own way.
bool NamesSourceItself(const std::string& source, const std::string& candidate) {
    if (candidate == source) return true;
    return EqualIgnoringCase(candidate, source) &&
           SpellingOnDisk(candidate) == SpellingOnDisk(source);
}

// A name in the folder that no entry holds, for the middle step of a case-only rename; empty
// when none of a few tries is free.
std::string FreeTemporaryPath(const std::string& folder) {
    constexpr std::uint32_t kTries = 16;
    for (std::uint32_t i = 0; i < kTries; ++i) {
        const std::string path = folder + "~qm" + ClashSuffix(i) + ".tmp";
        if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return path;
    }
    return std::string();
}

// Renames the source to the same name in other letter cases. Some systems report such a rename
// done and keep the old spelling (Wine's MoveFileA does), so the spelling is read back; when it
// did not take, the file goes through a temporary name that no entry holds, and back to its own
// name if the second step fails. True only when the file ends bearing `targetName`.
bool RenameCaseOnly(const FileMover& move, const std::string& source, const std::string& folder,
                    const std::string& targetName) {
    const std::string target = folder + targetName;
    if (!move(source, target)) return false;
    if (SpellingOnDisk(target) == targetName) return true;
    const std::string temporary = FreeTemporaryPath(folder);
    if (temporary.empty() || !move(source, temporary)) return false;
    if (move(temporary, target)) return SpellingOnDisk(target) == targetName;
    move(temporary, source);
    return false;
}

// One pass over the list. It remembers the paths it has renamed files into: a row whose source
// is one of them (a file renamed into the name of a file that an earlier row renamed away) was
// listed for another file, and must not rename this one after its title. A file that already
// bears its row's name counts as renamed into its own path.
class RenamePass {
  public:
    explicit RenamePass(const FileMover& move) : move_(move) {}
    // Renames one row's file; true when the row is done with (renamed, or already so named).
    bool RenameRowFile(const CandidateRow& row);

  private:
    const FileMover& move_;
    std::set<std::wstring, PathLessIgnoringCase> renamedInto_;
};

bool RenamePass::RenameRowFile(const CandidateRow& row) {
    const LeadBytes& lead = SystemLeadBytes();
    // A title comes from the file itself: a separator in it would move the file out of its
    // folder, so such a name is refused like any name the file system refuses.
    if (HasPathSeparator(row.title, lead)) return false;

    const std::string folder = IncludeTrailingSeparator(row.folder, lead);
    const std::string source = folder + row.baseName + row.extension;
    if (renamedInto_.count(AnsiToWide(source)) != 0) return false;
    if (!IsExistingFile(source)) return false;

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

    const std::string targetName = *name + row.extension;
    const std::string target = folder + targetName;
    bool done = false;
    if (!itself)
        done = move_(source, target);
    else if (target == source)
        done = true;  // the file already bears this name and stays untouched
    else
        done = RenameCaseOnly(move_, source, folder, targetName);
    if (done) renamedInto_.insert(AnsiToWide(target));
    return done;
}

}  // namespace

void RenameCheckedRows(const ListView& list, const FileMover& move) {
    // Last row first, so deleting a row never moves one still to be visited.
    RenamePass pass(move);
    const int count = list.Count();
    for (int row = count - 1; row >= 0; --row) {
        if (!list.Checked(row)) continue;
        if (pass.RenameRowFile(ReadRow(list, row))) list.DeleteRow(row);
    }
}

}  // namespace qm::win
