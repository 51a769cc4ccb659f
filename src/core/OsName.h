// The one-line description of the running Windows version, edition, service pack and build,
// built from the version record and two registry keys. The system is reached only through
// OsProbe, which the Windows layer implements with GetVersionExA, RegOpenKeyExA,
// RegQueryValueExA, RegCloseKey and lstrcmpiA; tests implement it with tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qm {

// The fields of OSVERSIONINFOEXA that the description reads.
struct OsVersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 95 family, 2 Windows NT family
    std::string csdVersion;        // szCSDVersion up to its NUL (at most 128 bytes)
    // Extended record only:
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// An open registry key; destroying it closes the key.
class OsRegistryKey {
  public:
    virtual ~OsRegistryKey() = default;

    // Reads the value `name` into a buffer of `capacity` bytes, asking for no type. Returns
    // false when the read fails; otherwise `data` holds the bytes written (at most capacity)
    // and `reportedSize` the size the system reported.
    virtual bool QueryValue(const std::string& name, std::size_t capacity, std::string& data,
                            std::uint32_t& reportedSize) = 0;
};

// What the description asks of the system. Any member may throw; GetOSName falls back then.
class OsProbe {
  public:
    virtual ~OsProbe() = default;

    // Fills `record` from the extended (156-byte) or the plain (148-byte) version record; the
    // plain one fills only major, minor, build, platformId and csdVersion. Returns false when
    // the call fails, leaving `record` as it was passed. (Not named GetVersionEx: <windows.h>
    // defines that name as a macro, which would rename the method in Windows code only.)
    virtual bool ReadVersion(OsVersionRecord& record, bool extended) = 0;

    // Opens HKEY_LOCAL_MACHINE\<path> for querying values; null when it cannot be opened.
    virtual std::unique_ptr<OsRegistryKey> OpenKey(const std::string& path) = 0;

    // Compares ignoring letter case as the system does (lstrcmpiA): < 0, 0 or > 0.
    virtual int CompareIgnoreCase(const std::string& a, const std::string& b) = 0;
};

inline constexpr const char* kProductOptionsKey =
    "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
inline constexpr const char* kHotfixQ246009Key =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
inline constexpr std::size_t kProductTypeCapacity = 255;

// The description; never fails. The detailed text, or the basic one when the detailed routine
// raises an error, or "Microsoft Windows" when both do.
std::string GetOSName(OsProbe& probe);

// The detailed text into `result`: "Unknown" when no version record can be read. May throw.
void GetDetailedOSName(OsProbe& probe, std::string& result);

// "<platform> Version <major>.<minor> (Build <build> : <service pack>)" into `result`. May throw.
void GetBasicOSName(OsProbe& probe, std::string& result);

// 0 "Windows 3.1", 1 "Windows 95", 2 "Windows NT"; any other id leaves `name` unchanged.
void PlatformIdToName(std::uint32_t platformId, std::string& name);

}  // namespace qm
