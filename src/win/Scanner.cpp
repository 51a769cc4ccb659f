#include "win/Scanner.h"

#include <algorithm>

#include "core/PathPieces.h"
#include "win/BuiltInTitleShell.h"
#include "win/framework/AnsiText.h"
#include "win/framework/Raii.h"
#include "win/FileSystem.h"
#include "win/ShellFactory.h"
#include "win/TitleQuery.h"

namespace qm::win {

namespace {

// The depth-limit control stops at 10. Capping here as well bounds the recursion (and the
// listings open at once) whatever the limit function answers, also through junction loops.
constexpr int kMaxDepthLimit = 10;

int DepthLimit(const ScanTarget& target) {
    int limit = target.depthLimit ? target.depthLimit() : 0;
    return std::min(limit, kMaxDepthLimit);
}

// Asks the shell for the file's Title and lists the file when the title is non-empty and differs
// from the base name byte for byte (letter case counts, nothing is trimmed).
void ExamineFile(const ScanTarget& target, const std::string& path) {
    const LeadBytes& lead = SystemLeadBytes();
    const std::string folder = FolderPiece(path, lead);
    const std::string fileName = FileNamePiece(path, lead);

    // A shell object of its own for every file, with the folder and item objects it gives.
    // They serve until the examination ends, the row made, and then go in the order folder,
    // shell, item; on every way out, an error's included.
    struct Examination {
        ComPtr<IDispatch> shell = CreateShellObject();
        ShellTitleObjects objects;
        ~Examination() {
            objects.folder.Clear();
            shell.Reset();
            objects.item.Clear();
        }
    } examination;
    const ShellTitleAnswer answer =
        AskShellTitle(examination.shell.Get(), folder, fileName, examination.objects);
    // Where the shell cannot say which of its details is the Title (a folder that names its
    // columns without one), the file's own metadata answers rather than nothing.
    const std::string title =
        answer.kind == ShellTitleAnswer::TitleUnnamed
            ? ReadShellTitle(CreateBuiltInTitleShell().Get(), folder, fileName)
            : answer.text;
    if (title.empty()) return;
    const std::string baseName = BaseNamePiece(path, lead);
    if (title == baseName) return;

    target.list.Append(Candidate{title, baseName, ExtensionPiece(path, lead), folder, true});
}

}  // namespace

void ScanPath(const ScanTarget& target, const std::string& path, int depth) {
    depth = std::max(depth, 0);  // with the capped limit, this bounds the descent
    if (IsExistingFile(path)) {
        ExamineFile(target, path);
        return;
    }
    if (!IsFolder(path)) return;

    const std::string dir = IncludeTrailingSeparator(path, SystemLeadBytes());
    FolderListing listing(dir + "*.*");  // closed on every way out, an error's included
    if (!listing.Started()) return;
    do {
        const std::string name = listing.Name();
        if (name == "." || name == "..") continue;
        const std::string full = dir + name;
        // Files are examined at every level reached (ScanPath tests the entry once more);
        // anything else passes the limit first, which is asked afresh for each such entry.
        if (IsExistingFile(full) || depth <= DepthLimit(target)) ScanPath(target, full, depth + 1);
    } while (listing.Next());
}

}  // namespace qm::win
