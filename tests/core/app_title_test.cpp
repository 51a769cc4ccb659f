#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/AppTitle.h"
#include "core/AsciiCase.h"

namespace qm {
namespace {

std::string Title(std::string_view path, const LeadBytes& lead = LeadBytes::Cp932()) {
    return AppTitleFromModulePath(path, lead, [](std::string_view s) { return AsciiLower(s); });
}

TEST(AppTitleTest, FromModulePath) {
    EXPECT_EQ(Title("C:\\Tools\\SAMPLE.TOOL.EXE"), "Sample");
    EXPECT_EQ(Title("C:\\Tools\\MyTool.exe"), "Mytool");
    EXPECT_EQ(Title("C:\\Tools\\myTool.exe"), "mytool");
    EXPECT_EQ(Title("C:\\Program Files\\Quillmark\\Quillmark.exe"), "Quillmark");
    EXPECT_EQ(Title("C:\\v1.2\\Tool"), "Tool");
    EXPECT_EQ(Title("Tool.exe"), "Tool");
    EXPECT_EQ(Title("C:\\x\\.exe"), "");
    EXPECT_EQ(Title(""), "");
}

TEST(AppTitleTest, DoubleByteCharactersStayWhole) {
    // 表 is 95 5C: under CP932 its trail byte is no folder separator, and as the first
    // character it is passed on whole.
    std::string seen;
    const std::string title = AppTitleFromModulePath(
        "C:\\x\\\x95\x5C"
        "ABC.exe",
        LeadBytes::Cp932(), [&](std::string_view s) {
            seen = std::string(s);
            return AsciiLower(s);
        });
    EXPECT_EQ(seen, "ABC");
    EXPECT_EQ(title,
              "\x95\x5C"
              "abc");

    // The same bytes under CP1252: 5C ends the folder.
    EXPECT_EQ(Title("C:\\x\\\x95\x5C"
                    "ABC.exe",
                    LeadBytes::Cp1252()),
              "Abc");
}

}  // namespace
}  // namespace qm
