#include "win/VersionInfo.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "win/framework/App.h"
#include "win/framework/Form.h"

namespace qm::win {

namespace {

VerQueryValueFn g_verQueryValue = ::VerQueryValueA;

}  // namespace

void SetVerQueryValueForTests(VerQueryValueFn query) {
    g_verQueryValue = query ? query : ::VerQueryValueA;
}

std::string ExePath() {
    std::vector<char> buf(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size() || buf.size() >= 32768) {
            const std::size_t len = std::min<std::size_t>(n, buf.size() - 1);
            return std::string(buf.data(), len);
        }
        buf.resize(buf.size() * 2);
    }
}

void GetVersionInfoString(std::string_view key, const std::string& fileName, std::string& value) {
    DWORD unused = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &unused);
    if (size == 0) return;
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return;

    void* block = nullptr;
    UINT length = 0;
    if (!g_verQueryValue(data.data(), std::string(kTranslationSubBlock).c_str(), &block, &length) ||
        length == 0)
        return;
    const auto translation = FirstTranslation(static_cast<const unsigned char*>(block), length);
    if (!translation) return;

    const std::string subBlock = StringSubBlock(*translation, key);
    block = nullptr;
    length = 0;
    if (!g_verQueryValue(data.data(), subBlock.c_str(), &block, &length) || length == 0 || !block)
        return;
    // Cut at the first NUL within the block, whatever unit the reported length counts.
    value = TrimVersionValue(VersionValueText(data.data(), data.size(), block, length));
}

void SetCaptionWithVersion(Form& form) {
    std::string version;
    GetVersionInfoString(VersionInfoKeys[3], ExePath(), version);  // FileVersion
    form.SetCaption(CaptionWithVersion(App().Title(), version, form.Name()));
}

}  // namespace qm::win
