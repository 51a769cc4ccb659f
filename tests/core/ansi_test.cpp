#include "core/Ansi.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

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

}  // namespace

}  // namespace qm
