#include "media/Text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace qm::media {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
    std::u16string decoded;
};

void PrintTo(const Utf8Case& c, std::ostream* os) {
    *os << c.name;
}

class Utf8Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Test, ValidityAndDecoding) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    EXPECT_EQ(DecodeUtf8(c.bytes), c.decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Test,
    testing::Values(
        Utf8Case{"Empty", "", true, u""}, Utf8Case{"Ascii", "Title 1", true, u"Title 1"},
        Utf8Case{"TwoByte", "\xC3\xA9", true, u"\u00E9"},
        Utf8Case{"ThreeByteJapanese", "\xE6\x97\xA5\xE6\x9C\xAC", true, u"\u65E5\u672C"},
        Utf8Case{"FourByteAstral", "\xF0\x9F\x8E\xAC", true, u"\U0001F3AC"},
        Utf8Case{"HighestScalar", "\xF4\x8F\xBF\xBF", true, u"\U0010FFFF"},
        Utf8Case{"AboveUnicode", "\xF4\x90\x80\x80", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"OverlongSlash", "\xC0\xAF", false, u"\uFFFD\uFFFD"},
        Utf8Case{"OverlongThreeByte", "\xE0\x80\xAF", false, u"\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"Surrogate", "\xED\xA0\x80", false, u"\uFFFD\uFFFD\uFFFD"},
        Utf8Case{"LoneContinuation", "a\x80z", false, u"a\uFFFDz"},
        Utf8Case{"TruncatedAtEnd", "ab\xE6\x97", false, u"ab\uFFFD"},
        Utf8Case{"TruncatedInMiddle", "\xE6\x97z", false, u"\uFFFDz"},
        Utf8Case{"Latin1Byte", "caf\xE9!", false, u"caf\uFFFD!"},
        Utf8Case{"InvalidLead", "\xFF\xFE", false, u"\uFFFD\uFFFD"},
        Utf8Case{"EmbeddedNul", std::string("a\0b", 3), true, std::u16string(u"a\0b", 3)}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

TEST(TextTest, Latin1MapsEveryByteToItsCodePoint) {
    EXPECT_EQ(DecodeLatin1("A\xE9\xFF\x80"), u"A\u00E9\u00FF\u0080");
}

TEST(TextTest, Utf16ByteOrders) {
    EXPECT_EQ(DecodeUtf16LE(std::string("T\0i\0", 4)), u"Ti");
    EXPECT_EQ(DecodeUtf16BE(std::string("\0T\0i", 4)), u"Ti");
    EXPECT_EQ(DecodeUtf16LE(std::string("T\0i", 3)), u"T");  // odd last byte dropped
    EXPECT_EQ(DecodeUtf16BE("\xD8\x3C\xDF\xAC"), u"\U0001F3AC");
}

TEST(TextTest, Utf16UnpairedSurrogatesAreReplaced) {
    EXPECT_EQ(DecodeUtf16BE(std::string("\xD8\x3C\0a", 4)), u"\uFFFDa");
    EXPECT_EQ(DecodeUtf16BE(std::string("\xDF\xAC\0a", 4)), u"\uFFFDa");
    EXPECT_EQ(DecodeUtf16BE("\xD8\x3C"), u"\uFFFD");
}

TEST(TextTest, Utf16WithBomPicksByteOrderAndDropsTheMark) {
    EXPECT_EQ(DecodeUtf16WithBom(std::string("\xFF\xFEH\0i\0", 6)), u"Hi");
    EXPECT_EQ(DecodeUtf16WithBom(std::string("\xFE\xFF\0H\0i", 6)), u"Hi");
    EXPECT_EQ(DecodeUtf16WithBom(std::string("H\0i\0", 4)), u"Hi");  // no mark: little-endian
    EXPECT_EQ(DecodeUtf16WithBom("\xFF\xFE"), u"");
    EXPECT_EQ(DecodeUtf16WithBom("\xFF"), u"");
}

TEST(TextTest, EncodeUtf8RoundTripsAndReplacesLoneSurrogates) {
    const std::u16string text = u"a\u00E9\u65E5\U0001F3AC";
    EXPECT_EQ(EncodeUtf8(text), "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xAC");
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
    EXPECT_EQ(EncodeUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}

TEST(TextTest, TrimTrailingNulsKeepsInnerNuls) {
    EXPECT_EQ(TrimTrailingNuls(std::u16string(u"ab\0c\0\0", 6)), std::u16string(u"ab\0c", 4));
    EXPECT_EQ(TrimTrailingNuls(std::u16string(u"\0\0", 2)), u"");
    EXPECT_EQ(TrimTrailingNuls(u""), u"");
}

TEST(TextTest, UndeclaredTextPrefersUtf8) {
    const auto marker = [](std::string_view b) { return u"ansi:" + DecodeLatin1(b); };
    EXPECT_EQ(DecodeUndeclared("\xE6\x97\xA5", marker), u"\u65E5");
    EXPECT_EQ(DecodeUndeclared("\x93\xFA", marker), u"ansi:\u0093\u00FA");
}

}  // namespace
}  // namespace qm::media
