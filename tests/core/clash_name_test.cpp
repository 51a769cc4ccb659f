#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "core/ClashName.h"

namespace qm {
namespace {

TEST(ClashNameTest, SuffixIsUpperHexOfAtLeastTwoDigits) {
    const struct {
        std::uint32_t counter;
        const char* suffix;
    } cases[] = {
        {0, "_00"},   {9, "_09"},    {10, "_0A"},     {15, "_0F"},       {16, "_10"},
        {255, "_FF"}, {256, "_100"}, {0xABC, "_ABC"}, {0x1000, "_1000"}, {0xFFFFFFFFu, "_FFFFFFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClashSuffix(c.counter), c.suffix) << c.counter;
}

TEST(ClashNameTest, SuffixAlwaysGoesOnTheTitle) {
    EXPECT_EQ(ClashCandidate("title", 0), "title");
    EXPECT_EQ(ClashCandidate("title", 1), "title_00");
    EXPECT_EQ(ClashCandidate("title", 2), "title_01");
    EXPECT_EQ(ClashCandidate("title", 11), "title_0A");
    EXPECT_EQ(ClashCandidate("title", 257), "title_100");
    EXPECT_EQ(ClashCandidate("", 1), "_00");
}

TEST(ClashNameTest, ChoosesFirstFreeTry) {
    const std::set<std::string> taken = {"title", "title_00", "title_01"};
    const auto name =
        ChooseFreeName("title", [&](const std::string& n) { return taken.count(n) > 0; });
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, "title_02");

    const auto free =
        ChooseFreeName("other", [&](const std::string& n) { return taken.count(n) > 0; });
    EXPECT_EQ(free, "other");
}

TEST(ClashNameTest, TriesPassTitle_FFToTitle_100) {
    std::uint64_t calls = 0;
    const auto name = ChooseFreeName("t", [&](const std::string&) { return ++calls <= 257; });
    EXPECT_EQ(name, "t_100");
}

}  // namespace
}  // namespace qm
