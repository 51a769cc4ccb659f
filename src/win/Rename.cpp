#include "win/Rename.h"

#include <optional>
#include <set>
#include <string>

#include "core/ClashName.h"
#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/FileSystem.h"
#include "win/framework/Raii.h"
#include "win/framework/SystemFunction.h"

namespace qm::win {

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

namespace {

// CompareStringOrdinal came with Windows Vista, so it is looked up at run time, once.
using CompareStringOrdinalFn = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);

CompareStringOrdinalFn SystemCompareStringOrdinal() {
    static const auto compare =
        SystemFunction<CompareStringOrdinalFn>(L"kernel32.dll", "CompareStringOrdinal");
    return compare;
}

std::wstring UpperCaseAsFileSystem(std::wstring_view text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int needed =
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, nullptr, 0);
    if (needed <= 0) return std::wstring(text);
    std::wstring upper(static_cast<std::size_t>(needed), L'\0');
    if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, &upper[0], needed) !=
        needed)
        return std::wstring(text);
    return upper;
}

}  // namespace

int CompareNamesByUpperCase(std::wstring_view a, std::wstring_view b) {
    const int order = UpperCaseAsFileSystem(a).compare(UpperCaseAsFileSystem(b));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareNamesIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (const CompareStringOrdinalFn compare = SystemCompareStringOrdinal()) {
        static const wchar_t kEmpty[] = L"";
        const int result = compare(a.empty() ? kEmpty : a.data(), static_cast<int>(a.size()),
                                   b.empty() ? kEmpty : b.data(), static_cast<int>(b.size()), TRUE);
        if (result != 0) return result - CSTR_EQUAL;
    }
    return CompareNamesByUpperCase(a, b);
}

namespace {

struct PathLessIgnoringCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return CompareNamesIgnoringCase(a, b) < 0;
    }
};

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return CompareNamesIgnoringCase(AnsiToWide(a), AnsiToWide(b)) == 0;
}

// How many entries of the folder, of any kind, are named `name` ignoring letter case. More than
// one where the folder tells letter cases apart (Wine on a Linux file system does): there
// "Clip.avi" and "clip.avi" are case twins, two entries side by side.
int EntriesNamedIgnoringCase(const std::string& folder, const std::string& name) {
    const std::wstring wanted = AnsiToWide(name);
    int count = 0;
    FolderListing listing(folder + "*");
    for (bool more = listing.Started(); more; more = listing.Next())
        if (CompareNamesIgnoringCase(AnsiToWide(listing.Name()), wanted) == 0) ++count;
    return count;
}

// A path as a key for the paths a press dealt with: the folder in any spelling, the file name
// exactly as spelled, since only the file name may have a case twin.
std::wstring ExactNameKey(const std::string& folder, const std::string& name) {
    return UpperCaseAsFileSystem(AnsiToWide(folder)) + L'|' + AnsiToWide(name);
}

// The name of the entry a directory search for the path finds, spelled as the file system
// keeps it; empty when there is none.
std::string SpellingOnDisk(const std::string& path) {
    WIN32_FIND_DATAA data = {};
    UniqueFind find(::FindFirstFileA(path.c_str(), &data));
    return find ? std::string(data.cFileName) : std::string();
}

// One press of the rename button. Besides renaming, it keeps what it did to paths, so that no
// row acts on, or stays listed for, a file that is not its own:
//  - arrived: paths it renamed a file into. Such a path was free ignoring letter case when the
//    file arrived, so every spelling of it now names that file, which is no other row's.
//  - kept: paths whose file already bore its row's name; another row of that file has no more
//    to do with it.
//  - vacated: paths it renamed a file away from. Where a case twin stays behind, the path still
//    answers, but with the twin, which is no file of the rows listed for that path.
class RenamePass {
  public:
    explicit RenamePass(const FileMover& move) : move_(move) {}

    // Handles one checked row; true when the row leaves the list (its file renamed, or already
    // so named, or dealt with by another row).
    bool HandleRow(const Candidate& row);

    // True when the path (folder with its separator, and file name) no longer names the file
    // that rows listed for it were made for.
    bool NamesAnotherFile(const std::string& folder, const std::string& name) const;

    bool MovedAnything() const { return !arrived_.empty() || !vacated_.empty(); }

  private:
    std::optional<std::string> RenameCaseOnly(const Candidate& row, const std::string& folder,
                                              const std::string& source,
                                              const std::string& targetName);

    const FileMover& move_;
    std::set<std::wstring, PathLessIgnoringCase> arrived_;
    std::set<std::wstring> kept_;
    std::set<std::wstring> vacated_;
};

bool RenamePass::NamesAnotherFile(const std::string& folder, const std::string& name) const {
    const std::string path = folder + name;
    if (arrived_.count(AnsiToWide(path)) != 0) return true;
    return vacated_.count(ExactNameKey(folder, name)) != 0 && IsExistingFile(path);
}

// Renames the source to a name that differs from its own in letter case only. Some systems
// report such a rename done and keep the old spelling (Wine's MoveFileA does, as do FAT volumes
// on Windows), others refuse it (some network shares), so the spelling is read back, and where
// it did not take the file goes the long way: first to the next free clash name of the title,
// then to the target. If the second step fails the file goes back to its own name; if that
// fails too, it stays under the clash name, which is a name its row asked for, with its
// extension. The new path of the file, or nothing when it kept its name.
std::optional<std::string> RenamePass::RenameCaseOnly(const Candidate& row,
                                                      const std::string& folder,
                                                      const std::string& source,
                                                      const std::string& targetName) {
    const std::string target = folder + targetName;
    if (move_(source, target) && SpellingOnDisk(target) == targetName) return target;

    const std::string sourceName = row.baseName + row.extension;
    auto stepName = ChooseFreeName(row.title, [&](const std::string& tried) {
        const std::string name = tried + row.extension;
        return EqualIgnoringCase(name, sourceName) || IsExistingFile(folder + name);
    });
    if (!stepName) return std::nullopt;
    const std::string step = folder + *stepName + row.extension;
    if (!move_(source, step)) return std::nullopt;
    if (move_(step, target)) return target;
    if (move_(step, source)) return std::nullopt;
    return step;
}

bool RenamePass::HandleRow(const Candidate& row) {
    const LeadBytes& lead = SystemLeadBytes();
    // A title comes from the file itself: a separator in it would move the file out of its
    // folder, so such a name is refused like any name the file system refuses.
    if (HasPathSeparator(row.title, lead)) return false;

    const std::string folder = IncludeTrailingSeparator(row.folder, lead);
    const std::string sourceName = row.baseName + row.extension;
    const std::string source = folder + sourceName;
    if (NamesAnotherFile(folder, sourceName) || kept_.count(ExactNameKey(folder, sourceName)) != 0)
        return true;
    if (!IsExistingFile(source)) return false;

    // A try that names the source itself is free; in other letter case, only if no case twin
    // holds it too: moving onto the twin's name would be refused, and so might the way back.
    auto name = ChooseFreeName(row.title, [&](const std::string& tried) {
        const std::string triedName = tried + row.extension;
        if (triedName == sourceName) return false;
        if (EqualIgnoringCase(triedName, sourceName))
            return EntriesNamedIgnoringCase(folder, triedName) > 1;
        return IsExistingFile(folder + triedName);
    });
    if (!name) return false;

    const std::string targetName = *name + row.extension;
    const std::string target = folder + targetName;
    if (target == source) {
        // The file already bears this name and stays untouched.
        kept_.insert(ExactNameKey(folder, sourceName));
        return true;
    }
    std::optional<std::string> moved;
    if (EqualIgnoringCase(targetName, sourceName))
        moved = RenameCaseOnly(row, folder, source, targetName);
    else if (move_(source, target))
        moved = target;
    if (!moved) return false;
    vacated_.insert(ExactNameKey(folder, sourceName));
    arrived_.insert(AnsiToWide(*moved));
    return true;
}

}  // namespace

void RenameCheckedRows(const CandidateList& list, const FileMover& move) {
    // Last row first, so removing a row never moves one still to be visited.
    RenamePass pass(move);
    for (int row = list.Count() - 1; row >= 0; --row) {
        const Candidate candidate = list.Read(row);
        if (candidate.checked && pass.HandleRow(candidate)) list.Remove(row);
    }
    if (!pass.MovedAnything()) return;
    // Rows visited before a file arrived at their path, and unchecked ones, would name that
    // file on a later press: they leave now.
    const LeadBytes& lead = SystemLeadBytes();
    for (int row = list.Count() - 1; row >= 0; --row) {
        const Candidate candidate = list.Read(row);
        const std::string folder = IncludeTrailingSeparator(candidate.folder, lead);
        if (pass.NamesAnotherFile(folder, candidate.baseName + candidate.extension))
            list.Remove(row);
    }
}

}  // namespace qm::win
