// The operating-system description of the running system: the portable description over the
// version record from GetVersionExA and the registry under HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "core/OsName.h"
#include "win/framework/Raii.h"

namespace qm::win {

// A key opened for querying values; closed when destroyed.
class SystemRegistryKey final : public OsRegistryKey {
  public:
    explicit SystemRegistryKey(UniqueRegKey key) : key_(std::move(key)) {}
    bool QueryValue(const std::string& name, std::size_t capacity, std::string& data,
                    std::uint32_t& reportedSize) override;

  private:
    UniqueRegKey key_;
};

// The running system as the description sees it.
class SystemOsProbe final : public OsProbe {
  public:
    bool ReadVersion(OsVersionRecord& record, bool extended) override;
    std::unique_ptr<OsRegistryKey> OpenKey(const std::string& path) override;
    int CompareIgnoreCase(const std::string& a, const std::string& b) override;
};

// The description of the running system; never fails ("Microsoft Windows" at worst).
std::string GetOSName();

}  // namespace qm::win
