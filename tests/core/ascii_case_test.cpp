#include "core/AsciiCase.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(AsciiCaseTest, OnlyAsciiLettersChange) {
    EXPECT_EQ(AsciiUpper("LanmanNT z\xE4\xFA"), "LANMANNT Z\xE4\xFA");
    EXPECT_EQ(AsciiLower("ABC\xC4"), "abc\xC4");
    EXPECT_EQ(AsciiCompareIgnoreCase("Service Pack 6", "service PACK 6"), 0);
    EXPECT_LT(AsciiCompareIgnoreCase("Service Pack", "Service Pack 6"), 0);
    EXPECT_GT(AsciiCompareIgnoreCase("b", "A"), 0);
}

}  // namespace
}  // namespace qm
