#include "win/FileSystem.h"

namespace qm::win {

const LeadBytes& SystemLeadBytes() {
    static const LeadBytes lead = [] {
        CPINFO info = {};
        if (!::GetCPInfo(CP_ACP, &info)) return LeadBytes();
        return LeadBytes(info.LeadByte, MAX_LEADBYTES);
    }();
    return lead;
}

namespace {

// True when the last-write time, taken as local time, can be written as a DOS date and time.
bool HasDosTime(const FILETIME& lastWrite) {
    FILETIME local = {};
    WORD date = 0, time = 0;
    if (!::FileTimeToLocalFileTime(&lastWrite, &local)) return false;
    return ::FileTimeToDosDateTime(&local, &date, &time) != 0;
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
