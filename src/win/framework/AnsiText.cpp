#include "win/framework/AnsiText.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace qm::win {

std::wstring AnsiToWide(std::string_view ansi) {
    if (ansi.empty() || ansi.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
    const int length = static_cast<int>(ansi.size());
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, &wide[0], n);
    return wide;
}

std::string WideToAnsi(const wchar_t* text, int length) {
    if (!text) return std::string();
    if (length < 0) length = static_cast<int>(std::wcslen(text));
    if (length == 0) return std::string();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string ansi(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, length, &ansi[0], n, nullptr, nullptr);
    return ansi;
}

const LeadBytes& SystemLeadBytes() {
    static const LeadBytes lead = [] {
        CPINFO info = {};
        if (!::GetCPInfo(CP_ACP, &info)) return LeadBytes();
        return LeadBytes(info.LeadByte, MAX_LEADBYTES);
    }();
    return lead;
}

}  // namespace qm::win
