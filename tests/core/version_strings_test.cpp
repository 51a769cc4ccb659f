#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/VersionStrings.h"

namespace qm {
namespace {

TEST(VersionStringsTest, KeyTableOrder) {
    EXPECT_EQ(VersionInfoKeys.size(), 12u);
    EXPECT_EQ(VersionInfoKeys[0], "Comments");
    EXPECT_EQ(VersionInfoKeys[2], "FileDescription");
    EXPECT_EQ(VersionInfoKeys[3], "FileVersion");
    EXPECT_EQ(VersionInfoKeys[11], "SpecialBuild");
}

TEST(VersionStringsTest, SubBlockUsesFirstTranslation) {
    // 0409/04E4 followed by a second pair that is never used.
    const unsigned char list[] = {0x09, 0x04, 0xE4, 0x04, 0x11, 0x04, 0xA4, 0x03};
    const auto translation = FirstTranslation(list, sizeof list);
    ASSERT_TRUE(translation.has_value());
    EXPECT_EQ(StringSubBlock(*translation, VersionInfoKeys[3]),
              "\\StringFileInfo\\040904E4\\FileVersion");
    EXPECT_EQ(StringSubBlock(0x0000000Au, "Comments"), "\\StringFileInfo\\000A0000\\Comments");
    EXPECT_EQ(StringSubBlock(0xFFFFabcdu, "X"), "\\StringFileInfo\\ABCDFFFF\\X");
}

TEST(VersionStringsTest, ShortTranslationListIsMissing) {
    const unsigned char list[] = {0x09, 0x04, 0xE4};
    EXPECT_FALSE(FirstTranslation(list, 0).has_value());
    EXPECT_FALSE(FirstTranslation(list, 3).has_value());
    EXPECT_FALSE(FirstTranslation(nullptr, 4).has_value());
}

TEST(VersionStringsTest, ValueTrimming) {
    const struct {
        std::string reported;
        std::string value;
    } cases[] = {
        {std::string("0.7.4.17\0", 9), "0.7.4.17"},
        {"  1.0 \t\r\n", "1.0"},
        {"   ", ""},
        {std::string("\0abc", 4), ""},
        {std::string("ab\0cd", 5), "ab"},
        {"\x01\x1F x y \x20", "x y"},
        // Bytes of 128 and above are text, also at the ends.
        {"\x93\xAE\x89\xE6 \xA0", "\x93\xAE\x89\xE6 \xA0"},
        {"\x7F", "\x7F"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimVersionValue(c.reported), c.value);
    // Never beyond the reported length, even without a NUL in it.
    const char text[] = "1.2.3.4 and more";
    EXPECT_EQ(TrimVersionValue(std::string_view(text, 7)), "1.2.3.4");
}

// The value ends at its NUL or at the block's end, whatever length the query reported: Windows
// may count it in characters, half the bytes of a double-byte text.
TEST(VersionStringsTest, ValueTextIsBoundedByTheBlockNotTheReportedLength) {
    const std::string block("xx\x93\xAE\x89\xE6\0yy", 9);  // 動画, then NUL
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    EXPECT_EQ(TrimVersionValue(VersionValueText(bytes, block.size(), block.data() + 2, 3)),
              "\x93\xAE\x89\xE6");
    // No NUL before the block ends (the buffer holds exactly the block, so a read past it is
    // caught under AddressSanitizer).
    std::vector<unsigned char> tail = {'a', 'b', 'c'};
    EXPECT_EQ(TrimVersionValue(VersionValueText(tail.data(), tail.size(), tail.data() + 1, 99)),
              "bc");
    // Outside the block only the reported length bounds it.
    const char elsewhere[] = "outside";
    EXPECT_EQ(VersionValueText(bytes, block.size(), elsewhere, 3), "out");
    EXPECT_EQ(VersionValueText(bytes, block.size(), nullptr, 3), "");
}

TEST(VersionStringsTest, Caption) {
    EXPECT_EQ(CaptionWithVersion("Quillmark", "0.7.4.17", "Form1"),
              "Quillmark Ver.0.7.4.17 - Form1");
    EXPECT_EQ(CaptionWithVersion("Quillmark", "", "InfoForm"), "Quillmark Ver. - InfoForm");
}

}  // namespace
}  // namespace qm
