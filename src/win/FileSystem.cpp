#include "win/FileSystem.h"

#include <cstring>

#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"

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

namespace {

const FindCalls kSystemFindCalls = {::FindFirstFileA, ::FindNextFileA};
const FindCalls* g_findCalls = &kSystemFindCalls;

// Entries skipped in a row before a listing gives up: far more than a folder holds, a bound
// against a search that keeps failing without moving on.
constexpr int kMaxSkippedEntries = 1 << 20;

}  // namespace

void SetFindCallsForTests(const FindCalls* calls) {
    g_findCalls = calls ? calls : &kSystemFindCalls;
}

FolderListing::FolderListing(const std::string& pattern)
    : find_(g_findCalls->first(pattern.c_str(), &data_)) {
    if (!find_) {
        if (::GetLastError() == ERROR_MORE_DATA) StartWide(pattern);
        return;
    }
    if (!Deliverable() && !Next()) find_.Reset();
}

void FolderListing::StartWide(const std::string& pattern) {
    WIN32_FIND_DATAW wide = {};
    find_.Reset(::FindFirstFileW(AnsiToWide(pattern).c_str(), &wide));
    if (!find_) return;
    // The ANSI form of the name, kept only when it fits the buffer with its NUL.
    const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.cFileName, -1, data_.cFileName,
                                        static_cast<int>(sizeof data_.cFileName), nullptr, nullptr);
    if (n > 0) {
        data_.dwFileAttributes = wide.dwFileAttributes;
        data_.ftCreationTime = wide.ftCreationTime;
        data_.ftLastAccessTime = wide.ftLastAccessTime;
        data_.ftLastWriteTime = wide.ftLastWriteTime;
        data_.nFileSizeHigh = wide.nFileSizeHigh;
        data_.nFileSizeLow = wide.nFileSizeLow;
        return;
    }
    if (!Next()) find_.Reset();
}

bool FolderListing::Deliverable() const {
    return std::memchr(data_.cFileName, '\0', sizeof data_.cFileName) != nullptr;
}

std::string FolderListing::Name() const {
    const char* name = data_.cFileName;
    const void* end = std::memchr(name, '\0', sizeof data_.cFileName);
    return std::string(name, end ? static_cast<const char*>(end) : name + sizeof data_.cFileName);
}

bool FolderListing::Next() {
    if (!find_) return false;
    for (int skipped = 0; skipped < kMaxSkippedEntries; ++skipped) {
        if (!g_findCalls->next(find_.Get(), &data_)) {
            if (::GetLastError() == ERROR_MORE_DATA) continue;  // the search has moved past it
            return false;
        }
        if (Deliverable()) return true;
    }
    return false;
}

}  // namespace qm::win
