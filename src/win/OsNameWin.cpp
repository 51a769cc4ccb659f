#include "win/OsNameWin.h"

#include <cstring>
#include <utility>
#include <vector>

namespace qm::win {

namespace {

// The records have no pointers, so their sizes are the same for 32- and 64-bit programs.
static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the extended version record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "the plain version record");

// The service-pack text up to its NUL, never past the field.
std::string CsdText(const char (&field)[128]) {
    const void* end = std::memchr(field, '\0', sizeof field);
    return std::string(field, end ? static_cast<const char*>(end) - field : sizeof field);
}

BOOL CallGetVersionEx(OSVERSIONINFOEXA& info) {
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, yet the only source of the service-pack fields
#endif
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}

}  // namespace

bool SystemRegistryKey::QueryValue(const std::string& name, std::size_t capacity, std::string& data,
                                   std::uint32_t& reportedSize) {
    std::vector<BYTE> buffer(capacity);
    DWORD size = static_cast<DWORD>(capacity);
    if (::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    reportedSize = size;
    const std::size_t written = size < capacity ? size : capacity;
    data.assign(reinterpret_cast<const char*>(buffer.data()), written);
    return true;
}

bool SystemOsProbe::ReadVersion(OsVersionRecord& record, bool extended) {
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
    if (!CallGetVersionEx(info)) return false;
    record.major = info.dwMajorVersion;
    record.minor = info.dwMinorVersion;
    record.build = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    record.csdVersion = CsdText(info.szCSDVersion);
    if (extended) {
        record.servicePackMajor = info.wServicePackMajor;
        record.servicePackMinor = info.wServicePackMinor;
        record.suiteMask = info.wSuiteMask;
        record.productType = info.wProductType;
    }
    return true;
}

std::unique_ptr<OsRegistryKey> SystemOsProbe::OpenKey(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<SystemRegistryKey>(UniqueRegKey(key));
}

int SystemOsProbe::CompareIgnoreCase(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str());
}

std::string GetOSName() {
    SystemOsProbe probe;
    return qm::GetOSName(probe);
}

}  // namespace qm::win
