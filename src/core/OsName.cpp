#include "core/OsName.h"

#include "core/AsciiCase.h"

namespace qm {

namespace {

// Version numbers are shown as signed 32-bit decimals.
std::string Decimal(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

bool IsVersion(const OsVersionRecord& os, std::uint32_t major, std::uint32_t minor) {
    return os.major == major && os.minor == minor;
}

// The character at index 1 of the service-pack text (NUL when it is shorter).
char SecondCsdChar(const OsVersionRecord& os) {
    return os.csdVersion.size() > 1 ? os.csdVersion[1] : '\0';
}

// The family words; "Unknown" stays for platforms and versions with no words of their own.
void AppendFamily(const OsVersionRecord& os, std::string& text) {
    switch (os.platformId) {
        case 0:
            text = "Microsoft Win32s";
            break;
        case 1:
            if (IsVersion(os, 4, 0)) {
                text = "Microsoft Windows 95 ";
                const char c = SecondCsdChar(os);
                if (c == 'C' || c == 'B') text += "OSR2 ";
            } else if (IsVersion(os, 4, 10)) {
                text = "Microsoft Windows 98 ";
                if (SecondCsdChar(os) == 'A') text += "SE ";
            } else if (IsVersion(os, 4, 90)) {
                text = "Microsoft Windows Millennium Edition";
            }
            break;
        case 2:
            if (IsVersion(os, 5, 2)) {
                text = "Microsoft Windows .NET Server 2003 family, ";
            } else if (IsVersion(os, 5, 1)) {
                text = "Microsoft Windows XP ";
            } else if (IsVersion(os, 5, 0)) {
                text = "Microsoft Windows 2000 ";
            } else if (os.major <= 4) {
                text = "Microsoft Windows NT ";
            } else {
                text = "Windows NT product family? ";
            }
            break;
        default:
            break;
    }
}

// The edition words from the extended record's product type and suite mask.
void AppendProductWords(const OsVersionRecord& os, std::string& text) {
    const std::uint16_t suite = os.suiteMask;
    if (os.productType == 1) {
        if (os.major == 4) {
            text += "Workstation 4.0 ";
        } else if (suite & 0x0200) {
            text += "Home Edition ";
        } else {
            text += "Professional ";
        }
    } else if (os.productType == 3) {
        if (IsVersion(os, 5, 2)) {
            if (suite & 0x0080) {
                text += "Datacenter Edition ";
            } else if (suite & 0x0002) {
                text += "Enterprise Edition ";
            } else if (suite == 0x0400) {  // the whole mask, not the bit
                text += "Web Edition ";
            } else {
                text += "Standard Edition ";
            }
        } else if (IsVersion(os, 5, 0)) {
            if (suite & 0x0080) {
                text += "Datacenter Server ";
            } else if (suite & 0x0002) {
                text += "Advanced Server ";
            } else {
                text += "Server ";
            }
        } else if (suite & 0x0002) {
            text += "Server 4.0, Enterprise Edition ";
        } else {
            text += "Server 4.0 ";
        }
    }
}

// Without the extended record, the product type comes from the registry. Returns false when
// the value cannot be read, in which case nothing is appended.
bool AppendRegistryProduct(OsProbe& probe, const OsVersionRecord& os, std::string& text) {
    std::string data;
    std::uint32_t reported = 0;
    {
        std::unique_ptr<OsRegistryKey> key = probe.OpenKey(kProductOptionsKey);
        if (!key) return false;
        if (!key->QueryValue("ProductType", kProductTypeCapacity, data, reported) ||
            reported > kProductTypeCapacity) {
            return false;
        }
    }  // the key is closed before the value is looked at

    // The text up to its NUL, never past what was written or reported.
    if (data.size() > reported) data.resize(reported);
    const std::size_t nul = data.find('\0');
    if (nul != std::string::npos) data.resize(nul);

    const std::string type = AsciiUpper(data);
    if (type == "WINNT") {
        text += "Workstation ";
    } else if (type == "LANMANNT") {
        text += "Server ";
    } else if (type == "SERVERNT") {
        text += "Advanced Server ";
    }
    text += Decimal(os.major) + "." + Decimal(os.minor);
    return true;
}

void AppendServicePack(OsProbe& probe, const OsVersionRecord& os, std::string& text) {
    const std::string build = Decimal(os.build & 0xFFFF);
    if (os.major == 4 && probe.CompareIgnoreCase(os.csdVersion, "Service Pack 6") == 0) {
        // Service Pack 6a shows only as the hot-fix key it installs.
        if (probe.OpenKey(kHotfixQ246009Key)) {
            text += "Service Pack 6a (Build " + build + ")";
            return;
        }
    }
    text += os.csdVersion + " (Build " + build + ")";
}

}  // namespace

void PlatformIdToName(std::uint32_t platformId, std::string& name) {
    switch (platformId) {
        case 0:
            name = "Windows 3.1";
            break;
        case 1:
            name = "Windows 95";
            break;
        case 2:
            name = "Windows NT";
            break;
        default:
            break;
    }
}

void GetDetailedOSName(OsProbe& probe, std::string& result) {
    result = "Unknown";
    OsVersionRecord os;
    const bool extended = probe.ReadVersion(os, true);
    if (!extended && !probe.ReadVersion(os, false)) return;

    AppendFamily(os, result);
    if (os.platformId != 2) return;
    if (extended) {
        AppendProductWords(os, result);
    } else if (!AppendRegistryProduct(probe, os, result)) {
        return;
    }
    AppendServicePack(probe, os, result);
}

void GetBasicOSName(OsProbe& probe, std::string& result) {
    OsVersionRecord os;
    probe.ReadVersion(os, false);  // after a failure the zeroed record is described
    std::string platform;
    PlatformIdToName(os.platformId, platform);
    result = platform + " Version " + Decimal(os.major) + "." + Decimal(os.minor) + " (Build " +
             Decimal(os.build) + " : " + os.csdVersion + ")";
}

std::string GetOSName(OsProbe& probe) {
    std::string text;
    try {
        GetDetailedOSName(probe, text);
        return text;
    } catch (...) {
    }
    try {
        GetBasicOSName(probe, text);
        return text;
    } catch (...) {
    }
    return "Microsoft Windows";
}

}  // namespace qm
