// The messages of COM errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <ios>

#include "win/framework/ComError.h"
#include "win/framework/FrameworkTestSupport.h"

namespace qm::win::test {
namespace {

// The system's text for the code, without its trailing full stop and line end ("." and CR LF
// here; the Japanese "。" is no "." and stays), or the fallback when the system has none.
TEST(ComErrorMessageTest, SystemTextTrimmedOrTheFallback) {
    const struct {
        HRESULT code;
        const wchar_t* english;
        const wchar_t* japanese;
    } cases[] = {
        {E_ACCESSDENIED, L"Access denied", L"アクセスが拒否されました。"},
        {E_NOTIMPL, L"Not implemented", L"未実装です。"},
        {static_cast<HRESULT>(0x8004ABCD), L"OLE エラー 8004ABCD", L"OLE エラー 8004ABCD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComErrorMessage(c.code), JapaneseMessages() ? c.japanese : c.english)
            << std::hex << c.code;
    }
}

}  // namespace
}  // namespace qm::win::test
