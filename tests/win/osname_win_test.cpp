#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "core/OsName.h"
#include "win/OsNameWin.h"
#include "win/framework/Raii.h"

namespace qm::win {
namespace {

OSVERSIONINFOEXA SystemRecord() {
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_TRUE(::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)));
    return info;
}

TEST(SystemOsProbeTest, RecordsCarryWhatTheSystemReports) {
    const OSVERSIONINFOEXA info = SystemRecord();
    SystemOsProbe probe;
    for (bool extended : {true, false}) {
        SCOPED_TRACE(extended ? "extended" : "plain");
        OsVersionRecord record;
        record.suiteMask = 0xBEEF;  // the plain record must not touch the extended fields
        record.productType = 0xEE;
        ASSERT_TRUE(probe.ReadVersion(record, extended));
        EXPECT_EQ(record.major, info.dwMajorVersion);
        EXPECT_EQ(record.minor, info.dwMinorVersion);
        EXPECT_EQ(record.build, info.dwBuildNumber);
        EXPECT_EQ(record.platformId, info.dwPlatformId);
        EXPECT_EQ(record.csdVersion, std::string(info.szCSDVersion));
        EXPECT_EQ(record.suiteMask, extended ? info.wSuiteMask : 0xBEEF);
        EXPECT_EQ(record.productType, extended ? info.wProductType : 0xEE);
    }
}

// A key of its own under HKEY_LOCAL_MACHINE\SOFTWARE, deleted at the end.
class RegistryKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = "SOFTWARE\\QuillmarkTest" + std::to_string(::GetCurrentProcessId());
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr) != ERROR_SUCCESS) {
            GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here";
        }
        key_.Reset(key);
    }
    void TearDown() override {
        if (!key_) return;
        key_.Close();
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
    }
    void SetText(const char* name, const std::string& text) {
        ASSERT_EQ(::RegSetValueExA(key_.Get(), name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }

    std::string path_;
    UniqueRegKey key_;
};

TEST_F(RegistryKeyTest, ReadsValuesThatFitTheBuffer) {
    SetText("Type", "LanmanNT");
    SetText("Full", std::string(254, 'x'));  // 255 bytes with its NUL
    SetText("Long", std::string(300, 'x'));
    SystemOsProbe probe;
    std::unique_ptr<OsRegistryKey> key = probe.OpenKey(path_);
    ASSERT_TRUE(key);

    std::string data;
    std::uint32_t reported = 0;
    ASSERT_TRUE(key->QueryValue("Type", 255, data, reported));
    EXPECT_EQ(reported, 9u);
    EXPECT_EQ(data, std::string("LanmanNT", 9));  // NUL included, as the system wrote it

    ASSERT_TRUE(key->QueryValue("Full", 255, data, reported));
    EXPECT_EQ(reported, 255u);
    EXPECT_EQ(data.size(), 255u);

    EXPECT_FALSE(key->QueryValue("Long", 255, data, reported));
    EXPECT_FALSE(key->QueryValue("Missing", 255, data, reported));
    EXPECT_FALSE(probe.OpenKey(path_ + "\\Missing"));
}

// The system's registry and letter-case rule (lstrcmpiA) behind an NT 4.0 record without the
// extended fields, so the description reads ProductOptions and the hot-fix key of the real
// registry.
class Nt4OnThisRegistry final : public OsProbe {
  public:
    bool ReadVersion(OsVersionRecord& record, bool extended) override {
        if (extended) return false;
        record.major = 4;
        record.minor = 0;
        record.build = 1381;
        record.platformId = 2;
        record.csdVersion = "service pack 6";
        return true;
    }
    std::unique_ptr<OsRegistryKey> OpenKey(const std::string& path) override {
        return system_.OpenKey(path);
    }
    int CompareIgnoreCase(const std::string& a, const std::string& b) override {
        return system_.CompareIgnoreCase(a, b);
    }

  private:
    SystemOsProbe system_;
};

bool CanOpen(const char* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

TEST(OsNameWinTest, RegistryFallBackReadsTheSystemRegistry) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductOptionsKey, 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    UniqueRegKey guard(key);
    char type[256] = {};
    DWORD size = 255;
    ASSERT_EQ(::RegQueryValueExA(key, "ProductType", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(type), &size),
              ERROR_SUCCESS);
    if (::lstrcmpiA(type, "WinNT") != 0) GTEST_SKIP() << "product type " << type;

    Nt4OnThisRegistry probe;
    const std::string suffix =
        CanOpen(kHotfixQ246009Key) ? "Service Pack 6a (Build 1381)" : "service pack 6 (Build 1381)";
    EXPECT_EQ(qm::GetOSName(probe), "Microsoft Windows NT Workstation 4.0" + suffix);
}

TEST(OsNameWinTest, DescribesTheRunningSystem) {
    const OSVERSIONINFOEXA info = SystemRecord();
    const std::string name = GetOSName();
    RecordProperty("os_name", name);
    ASSERT_FALSE(name.empty());
    EXPECT_NE(name, "Unknown");
    EXPECT_NE(name, "Microsoft Windows");
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    const std::string suffix = std::string(info.szCSDVersion) + " (Build " +
                               std::to_string(info.dwBuildNumber & 0xFFFF) + ")";
    ASSERT_GE(name.size(), suffix.size());
    EXPECT_EQ(name.substr(name.size() - suffix.size()), suffix);
    if (info.dwMajorVersion >= 6) {
        EXPECT_EQ(name.rfind("Windows NT product family? ", 0), 0u);
    }
    if (info.wProductType == VER_NT_WORKSTATION && info.dwMajorVersion != 4) {
        const bool home = (info.wSuiteMask & VER_SUITE_PERSONAL) != 0;
        EXPECT_NE(name.find(home ? "Home Edition " : "Professional "), std::string::npos);
    }
}

}  // namespace
}  // namespace qm::win
