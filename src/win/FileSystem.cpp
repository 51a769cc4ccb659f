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

// The directory search's answer, for any path.
bool FoundBySearch(const std::string& path) {
    WIN32_FIND_DATAA data = {};
    UniqueFind find(::FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return HasDosTime(data.ftLastWriteTime);
}

// True when a directory search for the path can only find the entry of that exact name: no
// character a search reads as a wildcard, and a last character that neither ends a folder nor is
// a dot or blank, which a search and an attribute query need not read alike. None of these bytes
// is a trail byte of a double-byte character; a '\' trail byte at the end only forgoes the
// shortcut.
bool NamesOneEntry(const std::string& path) {
    if (path.empty() || path.find_first_of("*?<>\"") != std::string::npos) return false;
    const char last = path.back();
    return last != '\\' && last != '/' && last != ':' && last != '.' && last != ' ';
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    // For a path that names one entry, its attributes answer what the search would, without
    // opening its folder: Wine serves the search with several server round trips, the attribute
    // query with none. Only a clear answer is taken: the file (not a link) with its time, a
    // folder, or no such entry; for anything else the search decides.
    if (NamesOneEntry(path)) {
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) {
            if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
            if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return HasDosTime(info.ftLastWriteTime);
        } else {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        }
    }
    return FoundBySearch(path);
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
