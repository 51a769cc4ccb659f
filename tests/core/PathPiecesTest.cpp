#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/Ansi.h"
#include "core/PathPieces.h"
#include "core/TestName.h"

namespace qm {
namespace {

// "表示.avi" in Shift-JIS: 表 is 95 5C, so its trail byte looks like "\".
const std::string kHyouji = "\x95\x5C\x8E\xA6.avi";
// "ソフト" in Shift-JIS: ソ is 83 5C.
const std::string kSoft = "\x83\x5C\x83\x74\x83\x67";

struct PiecesCase {
    const char* what;
    std::string path;
    bool cp932;
    std::string folder, fileName, extension, baseName;
};

void PrintTo(const PiecesCase& c, std::ostream* os) {
    *os << c.what;
}

class PiecesTest : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(PiecesTest, SplitsAtLastRealDelimiter) {
    const PiecesCase& c = GetParam();
    const LeadBytes lead = c.cp932 ? LeadBytes::Cp932() : LeadBytes::Cp1252();
    EXPECT_EQ(FolderPiece(c.path, lead), c.folder);
    EXPECT_EQ(FileNamePiece(c.path, lead), c.fileName);
    EXPECT_EQ(ExtensionPiece(c.path, lead), c.extension);
    EXPECT_EQ(BaseNamePiece(c.path, lead), c.baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PiecesTest,
    ::testing::Values(
        PiecesCase{"several dots", "C:\\v\\movie.part1.avi", true, "C:\\v\\", "movie.part1.avi",
                   ".avi", "movie.part1"},
        PiecesCase{"no dot", "C:\\v\\readme", true, "C:\\v\\", "readme", "", "readme"},
        PiecesCase{"dot only in folder", "C:\\a.b\\readme", true, "C:\\a.b\\", "readme", "",
                   "readme"},
        PiecesCase{"dot file", "C:\\v\\.avi", true, "C:\\v\\", ".avi", ".avi", ""},
        PiecesCase{"drive root", "C:\\", true, "C:\\", "", "", ""},
        PiecesCase{"drive relative", "C:file.txt", true, "C:", "file.txt", ".txt", "file"},
        PiecesCase{"bare name", "name.x", true, "", "name.x", ".x", "name"},
        PiecesCase{"empty", "", true, "", "", "", ""},
        PiecesCase{"trailing separator", "C:\\v\\sub\\", true, "C:\\v\\sub\\", "", "", ""},
        PiecesCase{"trail byte 5C, CP932", "C:\\v\\" + kHyouji, true, "C:\\v\\", kHyouji, ".avi",
                   "\x95\x5C\x8E\xA6"},
        PiecesCase{"trail byte 5C, CP1252", "C:\\v\\" + kHyouji, false, "C:\\v\\\x95\x5C",
                   "\x8E\xA6.avi", ".avi", "\x8E\xA6"},
        PiecesCase{"folder ending in trail byte 5C, CP932", "C:\\" + kSoft + "\\x.avi", true,
                   "C:\\" + kSoft + "\\", "x.avi", ".avi", "x"},
        PiecesCase{"folder ending in trail byte 5C, CP1252", "C:\\" + kSoft + "\\x.avi", false,
                   "C:\\" + kSoft + "\\", "x.avi", ".avi", "x"},
        PiecesCase{"file name ending in ソ, CP932", "C:\\d\\" + kSoft.substr(0, 2), true, "C:\\d\\",
                   "\x83\x5C", "", "\x83\x5C"},
        PiecesCase{"file name ending in ソ, CP1252", "C:\\d\\" + kSoft.substr(0, 2), false,
                   "C:\\d\\\x83\x5C", "", "", ""},
        PiecesCase{"lead byte at the end stands alone", "a\\b\x95", true, "a\\", "b\x95", "",
                   "b\x95"}),
    [](const ::testing::TestParamInfo<PiecesCase>& info) { return TestName(info.param.what); });

TEST(LeadBytesTest, RangesFromCodePageInfo) {
    // CPINFO.LeadByte layout: pairs, ended by a zero pair; what follows is ignored.
    const unsigned char ranges[12] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0, 0x20, 0x30};
    const LeadBytes lead(ranges, sizeof ranges);
    const LeadBytes cp932 = LeadBytes::Cp932();
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ(lead.IsLead(static_cast<unsigned char>(b)),
                  cp932.IsLead(static_cast<unsigned char>(b)))
            << b;
    }
    EXPECT_FALSE(cp932.IsLead(0x80));
    EXPECT_TRUE(cp932.IsLead(0x81));
    EXPECT_TRUE(cp932.IsLead(0x9F));
    EXPECT_FALSE(cp932.IsLead(0xA0));
    EXPECT_TRUE(cp932.IsLead(0xFC));
    EXPECT_FALSE(cp932.IsLead(0xFD));
    EXPECT_FALSE(LeadBytes::Cp1252().IsLead(0x95));
}

TEST(LeadBytesTest, LeadBeforeNulStandsAlone) {
    const LeadBytes lead = LeadBytes::Cp932();
    const std::string text("\x95\0\\", 3);
    EXPECT_EQ(lead.CharLength(text, 0), 1u);
    EXPECT_EQ(FindLastChar(text, "\\", lead), 2u);
}

// A locale's separator is its whole first character: a full-width comma is two bytes in code
// page 932, and a lone lead byte would swallow the digit after it.
TEST(LeadBytesTest, FirstCharacterIsWhole) {
    const LeadBytes cp932 = LeadBytes::Cp932();
    EXPECT_EQ(FirstCharacter("\x81\x43\x81\x43", cp932), "\x81\x43");
    EXPECT_EQ(FirstCharacter(",.", cp932), ",");
    EXPECT_EQ(FirstCharacter("\x81", cp932), "\x81");  // a lead byte at the end stands alone
    EXPECT_EQ(FirstCharacter("", cp932), "");
    EXPECT_EQ(FirstCharacter("\xA0x", LeadBytes::Cp1252()), "\xA0");
}

struct SeparatorCase {
    std::string folder;
    bool cp932;
    bool endsWith;
    std::string included, removedOne;
};

TEST(SeparatorTest, TrailingSeparatorRules) {
    const std::vector<SeparatorCase> cases = {
        {"C:\\v", true, false, "C:\\v\\", "C:\\v"},
        {"C:\\v\\", true, true, "C:\\v\\", "C:\\v"},
        {"C:\\v\\\\", true, true, "C:\\v\\\\", "C:\\v\\"},
        {"D:\\", true, true, "D:\\", "D:"},
        {"", true, false, "\\", ""},
        {"C:", true, false, "C:\\", "C:"},
        // A folder ending in ソ: its trail byte is no separator in CP932, but is one in CP1252.
        {"C:\\" + kSoft.substr(0, 2), true, false, "C:\\\x83\x5C\\", "C:\\\x83\x5C"},
        {"C:\\" + kSoft.substr(0, 2), false, true, "C:\\\x83\x5C", "C:\\\x83"},
    };
    for (const SeparatorCase& c : cases) {
        const LeadBytes lead = c.cp932 ? LeadBytes::Cp932() : LeadBytes::Cp1252();
        EXPECT_EQ(EndsWithSeparator(c.folder, lead), c.endsWith) << c.folder;
        EXPECT_EQ(IncludeTrailingSeparator(c.folder, lead), c.included) << c.folder;
        EXPECT_EQ(RemoveOneTrailingSeparator(c.folder, lead), c.removedOne) << c.folder;
    }
}

TEST(ShortcutTest, WorkingDirectory) {
    const LeadBytes sjis = LeadBytes::Cp932();
    const LeadBytes latin = LeadBytes::Cp1252();
    const struct {
        std::string target;
        const LeadBytes& lead;
        std::string expected;
    } cases[] = {
        {"C:\\Apps\\Tool.exe", sjis, "C:\\Apps"},
        {"C:\\Tool.exe", sjis, "C:\\"},
        {"C:Tool.exe", sjis, "C:"},
        {"\\\\srv\\share\\Tool.exe", sjis, "\\\\srv\\share"},
        {"C:\\Apps\\\\Tool.exe", sjis, "C:\\Apps\\\\"},
        {"\\Tool.exe", sjis, "\\"},
        {"Tool.exe", sjis, ""},
        // The folder name ends in ソ: the real "\" after it goes, the name stays whole.
        {"C:\\" + kSoft + "\\Tool.exe", sjis, "C:\\" + kSoft},
        {"C:\\\x83\x5C\\Tool.exe", sjis, "C:\\\x83\x5C"},
        // Same bytes read as Windows-1252: the 5C before the last "\" is a separator itself.
        {"C:\\\x83\x5C\\Tool.exe", latin, "C:\\\x83\x5C\\"},
        {"C:\\" + kHyouji + "\\Tool.exe", sjis, "C:\\" + kHyouji},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortcutWorkingDirectory(c.target, c.lead), c.expected) << c.target;
    }
}

TEST(ShortcutTest, LinkPath) {
    const LeadBytes lead = LeadBytes::Cp932();
    EXPECT_EQ(ShortcutLinkPath("C:\\Users\\u\\Desktop", "Tool", lead),
              "C:\\Users\\u\\Desktop\\Tool.lnk");
    EXPECT_EQ(ShortcutLinkPath("D:\\", "Tool", lead), "D:\\Tool.lnk");
    EXPECT_EQ(ShortcutLinkPath("C:\\x\\\\", "Tool", lead), "C:\\x\\\\Tool.lnk");
    EXPECT_EQ(ShortcutLinkPath("C:\\" + kSoft.substr(0, 2), "T", lead), "C:\\\x83\x5C\\T.lnk");
}

TEST(HasPathSeparatorTest, OnlyRealSeparatorsCount) {
    const LeadBytes sjis = LeadBytes::Cp932();
    const LeadBytes latin = LeadBytes::Cp1252();
    EXPECT_FALSE(HasPathSeparator("title", sjis));
    EXPECT_FALSE(HasPathSeparator("", sjis));
    EXPECT_TRUE(HasPathSeparator("sub\\title", sjis));
    EXPECT_TRUE(HasPathSeparator("..\\title", sjis));
    EXPECT_TRUE(HasPathSeparator("a/b", sjis));
    EXPECT_FALSE(HasPathSeparator("C:title", sjis));
    EXPECT_FALSE(HasPathSeparator(kHyouji, sjis));
    EXPECT_TRUE(HasPathSeparator(kHyouji, latin));
    EXPECT_TRUE(HasPathSeparator(kSoft + "\\x", sjis));
}

}  // namespace
}  // namespace qm
