// The file walk shared by titledump and the benchmark's I/O floor, so that both visit the same
// files in the same way and their difference is the reading alone.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace qm::tools {

// Calls onFile(path) for a path named by the user when it is not a folder, and for every regular
// file beneath it when it is, in directory order. Links to folders are not followed (one that
// points back up the tree would never end); a link to a file is visited like the file. Folders
// that may not be read are skipped; any other failure of the walk is reported through
// onError(path, why) and ends the walk of that path.
template <typename OnFile, typename OnError>
void ForEachFile(const std::filesystem::path& path, OnFile&& onFile, OnError&& onError) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(fs::status(path, ec))) {
        onFile(path.string());
        return;
    }
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        // The type comes from the directory entry itself; only links need a further look.
        std::error_code typeEc;
        if (it->is_regular_file(typeEc)) onFile(it->path().string());
    }
    if (ec) onError(path.string(), ec.message());
}

}  // namespace qm::tools
