// Text in the system's ANSI code page: the conversions both ways and the code page's lead bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/Ansi.h"
#include "win/framework/AnsiText.h"

namespace qm::win::test {
namespace {

TEST(AnsiTextTest, ConvertsExactlyTheTextItIsGiven) {
    // A view into a longer text (the built-in title shell hands such views on): the bytes after
    // it are not converted, and no terminating NUL is looked for.
    const std::string name = "Title.mkv";
    EXPECT_EQ(AnsiToWide(std::string_view(name).substr(0, 5)), L"Title");
    EXPECT_EQ(AnsiToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(WideToAnsi(L"Title.mkv", 5), "Title");
    EXPECT_EQ(WideToAnsi(L"Title"), "Title");
    EXPECT_EQ(AnsiToWide(""), L"");
    EXPECT_EQ(WideToAnsi(nullptr), "");
}

TEST(AnsiTextTest, FollowsTheSystemCodePage) {
    const LeadBytes& lead = SystemLeadBytes();
    if (::GetACP() == 932) {
        // 表 is 95 5C: 95 leads, and the trail byte with the value of "\" belongs to it.
        EXPECT_EQ(AnsiToWide("\x95\x5C"), L"\u8868");
        EXPECT_EQ(WideToAnsi(L"\u8868"), "\x95\x5C");
        for (int b : {0x81, 0x95, 0x9F, 0xE0, 0xFC})
            EXPECT_TRUE(lead.IsLead(b)) << b;
        for (int b : {0x5C, 0x80, 0xA0, 0xDF, 0xFD})
            EXPECT_FALSE(lead.IsLead(b)) << b;
    } else if (::GetACP() == 1252) {
        EXPECT_EQ(AnsiToWide("\xC4"), L"\u00C4");
        // A character the code page lacks becomes the system's replacement.
        EXPECT_EQ(WideToAnsi(L"\u8868"), "?");
        for (int b = 0; b < 256; ++b)
            EXPECT_FALSE(lead.IsLead(static_cast<unsigned char>(b)));
    } else {
        GTEST_SKIP() << "needs code page 932 or 1252";
    }
}

}  // namespace
}  // namespace qm::win::test
