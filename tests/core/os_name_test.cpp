#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/AsciiCase.h"
#include "core/OsName.h"

namespace qm {
namespace {

struct FakeValue {
    bool readable = true;
    std::string data;    // what the system writes into the buffer
    std::uint32_t size;  // what it reports
};

// A system described by tables: one version record, the keys that exist with their values.
class FakeOs : public OsProbe {
  public:
    OsVersionRecord os;
    bool extendedWorks = true;
    bool plainWorks = true;
    bool extendedThrows = false;
    bool plainThrows = false;
    bool openKeyThrows = false;
    std::map<std::string, std::map<std::string, FakeValue>> keys;
    int openKeys = 0;
    std::vector<std::string> opened;

    bool ReadVersion(OsVersionRecord& record, bool extended) override {
        if (extended ? extendedThrows : plainThrows) throw std::runtime_error("version");
        if (!(extended ? extendedWorks : plainWorks)) return false;
        if (extended) {
            record = os;
        } else {
            record.major = os.major;
            record.minor = os.minor;
            record.build = os.build;
            record.platformId = os.platformId;
            record.csdVersion = os.csdVersion;
        }
        return true;
    }

    class Key : public OsRegistryKey {
      public:
        Key(FakeOs& owner, const std::map<std::string, FakeValue>& values)
            : owner_(owner), values_(values) {
            ++owner_.openKeys;
        }
        ~Key() override { --owner_.openKeys; }
        bool QueryValue(const std::string& name, std::size_t capacity, std::string& data,
                        std::uint32_t& reportedSize) override {
            EXPECT_EQ(capacity, 255u);
            const auto it = values_.find(name);
            if (it == values_.end() || !it->second.readable) return false;
            data = it->second.data.substr(0, capacity);
            reportedSize = it->second.size;
            return true;
        }

      private:
        FakeOs& owner_;
        const std::map<std::string, FakeValue>& values_;
    };

    std::unique_ptr<OsRegistryKey> OpenKey(const std::string& path) override {
        if (openKeyThrows) throw std::runtime_error("registry");
        opened.push_back(path);
        const auto it = keys.find(path);
        if (it == keys.end()) return nullptr;
        return std::make_unique<Key>(*this, it->second);
    }

    int CompareIgnoreCase(const std::string& a, const std::string& b) override {
        return AsciiCompareIgnoreCase(a, b);
    }

    void SetProductType(const std::string& text) {
        keys[kProductOptionsKey]["ProductType"] = FakeValue{
            true, text + std::string(1, '\0'), static_cast<std::uint32_t>(text.size() + 1)};
    }
    void AddHotfix() { keys[kHotfixQ246009Key]; }
};

OsVersionRecord Record(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                       std::uint32_t build, std::string csd, std::uint8_t productType = 0,
                       std::uint16_t suiteMask = 0) {
    OsVersionRecord r;
    r.platformId = platform;
    r.major = major;
    r.minor = minor;
    r.build = build;
    r.csdVersion = std::move(csd);
    r.productType = productType;
    r.suiteMask = suiteMask;
    return r;
}

std::string Detailed(FakeOs& fake) {
    std::string text = "left over";
    GetDetailedOSName(fake, text);
    EXPECT_EQ(fake.openKeys, 0) << "a registry key was left open";
    return text;
}

struct ExtendedCase {
    const char* what;
    OsVersionRecord os;
    const char* text;
};

TEST(OsNameTest, ExtendedRecord) {
    const ExtendedCase cases[] = {
        {"XP Pro SP2", Record(2, 5, 1, 2600, "Service Pack 2", 1, 0x0100),
         "Microsoft Windows XP Professional Service Pack 2 (Build 2600)"},
        {"XP Home no SP", Record(2, 5, 1, 2600, "", 1, 0x0200 | 0x0100),
         "Microsoft Windows XP Home Edition  (Build 2600)"},
        {"2000 DC SP4", Record(2, 5, 0, 2195, "Service Pack 4", 2, 0x0080),
         "Microsoft Windows 2000 Service Pack 4 (Build 2195)"},
        {"2000 Server", Record(2, 5, 0, 2195, "", 3, 0),
         "Microsoft Windows 2000 Server  (Build 2195)"},
        {"2000 Advanced", Record(2, 5, 0, 2195, "", 3, 0x0002),
         "Microsoft Windows 2000 Advanced Server  (Build 2195)"},
        {"2000 Datacenter", Record(2, 5, 0, 2195, "", 3, 0x0082),
         "Microsoft Windows 2000 Datacenter Server  (Build 2195)"},
        {"2003 Datacenter", Record(2, 5, 2, 3790, "", 3, 0x0080 | 0x0400),
         "Microsoft Windows .NET Server 2003 family, Datacenter Edition  (Build 3790)"},
        {"2003 Enterprise", Record(2, 5, 2, 3790, "", 3, 0x0002 | 0x0400),
         "Microsoft Windows .NET Server 2003 family, Enterprise Edition  (Build 3790)"},
        {"2003 Web, exactly 0x0400", Record(2, 5, 2, 3790, "", 3, 0x0400),
         "Microsoft Windows .NET Server 2003 family, Web Edition  (Build 3790)"},
        {"2003 0x0400 plus another bit", Record(2, 5, 2, 3790, "", 3, 0x0410),
         "Microsoft Windows .NET Server 2003 family, Standard Edition  (Build 3790)"},
        {"2003 Standard", Record(2, 5, 2, 3790, "Service Pack 1", 3, 0),
         "Microsoft Windows .NET Server 2003 family, Standard Edition Service Pack 1 (Build "
         "3790)"},
        {"2003 workstation type", Record(2, 5, 2, 3790, "", 1, 0),
         "Microsoft Windows .NET Server 2003 family, Professional  (Build 3790)"},
        {"6.1 workstation", Record(2, 6, 1, 7601, "Service Pack 1", 1, 0x0100),
         "Windows NT product family? Professional Service Pack 1 (Build 7601)"},
        {"6.0 server", Record(2, 6, 0, 6002, "Service Pack 2", 3, 0),
         "Windows NT product family? Server 4.0 Service Pack 2 (Build 6002)"},
        {"6.1 enterprise server", Record(2, 6, 1, 7601, "", 3, 0x0002),
         "Windows NT product family? Server 4.0, Enterprise Edition  (Build 7601)"},
        {"5.3", Record(2, 5, 3, 1, "", 0, 0), "Windows NT product family?  (Build 1)"},
        {"NT 4 workstation SP5", Record(2, 4, 0, 1381, "Service Pack 5", 1, 0),
         "Microsoft Windows NT Workstation 4.0 Service Pack 5 (Build 1381)"},
        {"NT 4 enterprise server", Record(2, 4, 0, 1381, "", 3, 0x0002),
         "Microsoft Windows NT Server 4.0, Enterprise Edition  (Build 1381)"},
        {"build keeps low 16 bits", Record(2, 5, 1, 0x0A280A28, "", 1, 0),
         "Microsoft Windows XP Professional  (Build 2600)"},
        {"95", Record(1, 4, 0, 950, ""), "Microsoft Windows 95 "},
        {"95 OSR2 B", Record(1, 4, 0, 1111, " B"), "Microsoft Windows 95 OSR2 "},
        {"95 OSR2 C", Record(1, 4, 0, 1212, " C"), "Microsoft Windows 95 OSR2 "},
        {"95 lower-case b", Record(1, 4, 0, 1111, " b"), "Microsoft Windows 95 "},
        {"98", Record(1, 4, 10, 1998, ""), "Microsoft Windows 98 "},
        {"98 SE", Record(1, 4, 10, 2222, " A"), "Microsoft Windows 98 SE "},
        {"Me", Record(1, 4, 90, 3000, ""), "Microsoft Windows Millennium Edition"},
        {"95 family, other version", Record(1, 4, 20, 1, ""), "Unknown"},
        {"Win32s", Record(0, 1, 30, 1, ""), "Microsoft Win32s"},
        {"platform 3", Record(3, 5, 1, 2600, ""), "Unknown"},
        {"platform 4", Record(4, 5, 1, 2600, ""), "Unknown"},
    };
    for (const ExtendedCase& c : cases) {
        FakeOs fake;
        fake.os = c.os;
        EXPECT_EQ(Detailed(fake), c.text) << c.what;
        EXPECT_EQ(GetOSName(fake), c.text) << c.what;
    }
}

TEST(OsNameTest, NtFourServicePack6) {
    const struct {
        const char* csd;
        bool hotfix;
        const char* text;
    } cases[] = {
        {"Service Pack 6", true,
         "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)"},
        {"Service Pack 6", false,
         "Microsoft Windows NT Workstation 4.0 Service Pack 6 (Build 1381)"},
        {"service pack 6", true,
         "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)"},
        {"SERVICE PACK 6", false,
         "Microsoft Windows NT Workstation 4.0 SERVICE PACK 6 (Build 1381)"},
        {"Service Pack 5", true,
         "Microsoft Windows NT Workstation 4.0 Service Pack 5 (Build 1381)"},
    };
    for (const auto& c : cases) {
        FakeOs fake;
        fake.os = Record(2, 4, 0, 1381, c.csd, 1);
        if (c.hotfix) fake.AddHotfix();
        EXPECT_EQ(Detailed(fake), c.text) << c.csd << (c.hotfix ? " with" : " without") << " key";
    }
    // The hot-fix key is only looked for on NT 4.0.
    FakeOs xp;
    xp.os = Record(2, 5, 1, 2600, "Service Pack 6", 1);
    xp.AddHotfix();
    EXPECT_EQ(Detailed(xp), "Microsoft Windows XP Professional Service Pack 6 (Build 2600)");
    EXPECT_TRUE(xp.opened.empty());
}

TEST(OsNameTest, RegistryFallBackWithoutExtendedRecord) {
    const struct {
        const char* productType;
        const char* text;
    } cases[] = {
        {"LanmanNT", "Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)"},
        {"LANMANNT", "Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)"},
        {"lanmannt", "Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)"},
        {"WinNT", "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)"},
        {"ServerNT", "Microsoft Windows NT Advanced Server 4.0Service Pack 5 (Build 1381)"},
        {"LanmanNT ", "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)"},
        {"Other", "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)"},
        {"", "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)"},
    };
    for (const auto& c : cases) {
        FakeOs fake;
        fake.os = Record(2, 4, 0, 1381, "Service Pack 5", 3);
        fake.extendedWorks = false;
        fake.SetProductType(c.productType);
        EXPECT_EQ(Detailed(fake), c.text) << c.productType;
    }
}

TEST(OsNameTest, RegistryFallBackStopsEarly) {
    FakeOs missingKey;
    missingKey.os = Record(2, 4, 0, 1381, "Service Pack 5", 3);
    missingKey.extendedWorks = false;
    EXPECT_EQ(Detailed(missingKey), "Microsoft Windows NT ");

    FakeOs missingValue = missingKey;
    missingValue.keys[kProductOptionsKey];
    EXPECT_EQ(Detailed(missingValue), "Microsoft Windows NT ");

    FakeOs unreadable = missingKey;
    unreadable.keys[kProductOptionsKey]["ProductType"] = FakeValue{false, "", 0};
    EXPECT_EQ(Detailed(unreadable), "Microsoft Windows NT ");

    FakeOs oversize = missingKey;
    oversize.keys[kProductOptionsKey]["ProductType"] = FakeValue{true, std::string(255, 'x'), 256};
    EXPECT_EQ(Detailed(oversize), "Microsoft Windows NT ");

    // Exactly 255 bytes without a NUL is read, and only as far as reported.
    FakeOs full = missingKey;
    full.keys[kProductOptionsKey]["ProductType"] = FakeValue{true, std::string(255, 'x'), 255};
    EXPECT_EQ(Detailed(full), "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)");
    FakeOs shortReport = missingKey;
    shortReport.keys[kProductOptionsKey]["ProductType"] = FakeValue{true, "WinNTxyz", 5};
    EXPECT_EQ(Detailed(shortReport),
              "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)");
}

TEST(OsNameTest, VersionRecordFailures) {
    // Both record sizes refused.
    FakeOs none;
    none.os = Record(2, 5, 1, 2600, "Service Pack 2", 1);
    none.extendedWorks = false;
    none.plainWorks = false;
    EXPECT_EQ(Detailed(none), "Unknown");
    EXPECT_EQ(GetOSName(none), "Unknown");

    // The basic text describes the zeroed record after a failure.
    std::string basic = "left over";
    GetBasicOSName(none, basic);
    EXPECT_EQ(basic, "Windows 3.1 Version 0.0 (Build 0 : )");
}

TEST(OsNameTest, BasicText) {
    const struct {
        OsVersionRecord os;
        const char* text;
    } cases[] = {
        {Record(2, 5, 1, 2600, "Service Pack 2"),
         "Windows NT Version 5.1 (Build 2600 : Service Pack 2)"},
        {Record(1, 4, 10, 0x040A08AE, " A"), "Windows 95 Version 4.10 (Build 67766446 :  A)"},
        {Record(0, 1, 30, 1, ""), "Windows 3.1 Version 1.30 (Build 1 : )"},
        {Record(3, 1, 0, 0xFFFFFFFFu, ""), " Version 1.0 (Build -1 : )"},
    };
    for (const auto& c : cases) {
        FakeOs fake;
        fake.os = c.os;
        std::string text;
        GetBasicOSName(fake, text);
        EXPECT_EQ(text, c.text);
    }
}

TEST(OsNameTest, ErrorsFallBack) {
    FakeOs detailedRaises;
    detailedRaises.os = Record(2, 5, 1, 2600, "Service Pack 2", 1);
    detailedRaises.extendedThrows = true;
    EXPECT_EQ(GetOSName(detailedRaises), "Windows NT Version 5.1 (Build 2600 : Service Pack 2)");

    // An error half-way (in the registry) also hands over to the basic text.
    FakeOs registryRaises;
    registryRaises.os = Record(2, 4, 0, 1381, "Service Pack 6", 1);
    registryRaises.openKeyThrows = true;
    EXPECT_EQ(GetOSName(registryRaises), "Windows NT Version 4.0 (Build 1381 : Service Pack 6)");

    FakeOs bothRaise = detailedRaises;
    bothRaise.plainThrows = true;
    EXPECT_EQ(GetOSName(bothRaise), "Microsoft Windows");
}

// The three names are checked through BasicText; an id without one leaves the caller's text as
// it was rather than clearing it.
TEST(OsNameTest, UnknownPlatformIdKeepsTheName) {
    for (const std::uint32_t id : {3u, 4u, 0xFFFFFFFFu}) {
        std::string name = "kept";
        PlatformIdToName(id, name);
        EXPECT_EQ(name, "kept") << id;
    }
}

}  // namespace
}  // namespace qm
