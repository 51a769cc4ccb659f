// Helpers for the in-process tests of the Windows program: temp folders and the folder of the
// test binary. The framework's helpers (the application object, the error recorder, message
// pumping) are in win/framework/FrameworkTestSupport.h.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win/FileSystem.h"

namespace qm::win::test {

// The folder of the running test binary, with its trailing "\".
inline std::string BinaryFolder() {
    char buf[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

// A fresh folder under the system temp folder, removed with everything in it at the end
// (read-only entries too, down to kMaxDepth levels below it).
class TempFolder {
  public:
    static constexpr int kMaxDepth = 8;

    TempFolder() {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        // Both code-page runs of the tests share the temp folder: a name already taken is passed.
        const std::string stem =
            std::string(base) + "qmtest" + std::to_string(::GetCurrentProcessId()) + "-";
        for (int n = 0; n < 1000; ++n) {
            const std::string candidate = stem + std::to_string(serial_++);
            if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate + "\\";
                return;
            }
        }
        ADD_FAILURE() << "no temp folder";
    }
    ~TempFolder() {
        if (!path_.empty()) Remove(Folder(), 0);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in "\".
    const std::string& Path() const { return path_; }
    // The folder without its final "\".
    std::string Folder() const { return path_.substr(0, path_.size() - 1); }
    // An entry of the folder.
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    static void Remove(const std::string& folder, int depth) {
        ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (depth <= kMaxDepth) {
            FolderListing listing(folder + "\\*");
            for (bool more = listing.Started(); more; more = listing.Next()) {
                const std::string name = listing.Name();
                if (name == "." || name == "..") continue;
                const std::string full = folder + "\\" + name;
                if (listing.Attributes() & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(full, depth + 1);
                } else {
                    ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileA(full.c_str());
                }
            }
        }
        ::RemoveDirectoryA(folder.c_str());
    }

    static inline int serial_ = 0;
    std::string path_;
};

}  // namespace qm::win::test
