#include "win/FileSystem.h"

namespace qm::win {

namespace {

// The years a DOS date can hold.
constexpr WORD kFirstDosYear = 1980;
constexpr WORD kLastDosYear = 2107;

// True when the last-write time, taken as local time, can be written as a DOS date and time.
// The year is checked here as well: not every FileTimeToDosDateTime refuses years after 2107
// (Wine's accepts them and wraps the year field), and such a file must count as absent.
bool HasDosTime(const FILETIME& lastWrite) {
    FILETIME local = {};
    WORD date = 0, time = 0;
    SYSTEMTIME st = {};
    if (!::FileTimeToLocalFileTime(&lastWrite, &local)) return false;
    if (!::FileTimeToDosDateTime(&local, &date, &time)) return false;
    if (!::FileTimeToSystemTime(&local, &st)) return false;
    return st.wYear >= kFirstDosYear && st.wYear <= kLastDosYear;
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    WIN32_FIND_DATAA data = {};
    UniqueFind find(::FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return HasDosTime(data.ftLastWriteTime);
}

bool IsFolder(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FolderListing::FolderListing(const std::string& pattern)
    : find_(::FindFirstFileA(pattern.c_str(), &data_)) {}

bool FolderListing::Next() {
    if (!find_) return false;
    return ::FindNextFileA(find_.Get(), &data_) != 0;
}

}  // namespace qm::win
