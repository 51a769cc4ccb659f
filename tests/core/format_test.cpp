#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/Format.h"

namespace qm {
namespace {

struct ByteSizeCase {
    std::uint8_t selector;
    std::int64_t value;
    const char* text;
};

TEST(FormatByteSizeTest, DefaultSeparators) {
    const ByteSizeCase cases[] = {
        // Kilobytes round at the unit, halves away from zero.
        {2, 4294967295LL, "4,194,304 KB"},
        {2, 1536, "2 KB"},
        {2, 1535, "1 KB"},
        {2, 512, "1 KB"},
        {2, 511, "0 KB"},
        {2, 0, "0 KB"},
        {2, 2560, "3 KB"},
        {2, 1234567, "1,206 KB"},
        {2, 1024LL * 999999, "999,999 KB"},
        {2, 1024LL * 1000000, "1,000,000 KB"},
        // Plain and bytes.
        {0, 1234567, "1,234,567"},
        {0, 0, "0"},
        {0, 999, "999"},
        {0, 1000, "1,000"},
        {1, 1234567, "1,234,567 B"},
        {1, 100000, "100,000 B"},
        // Megabytes with two decimals; every selector from 3 on.
        {3, 1234567, "1.18 MB"},
        {4, 1234567, "1.18 MB"},
        {255, 1234567, "1.18 MB"},
        {3, 1048576, "1.00 MB"},
        {3, 0, "0.00 MB"},
        {3, 131072, "0.13 MB"},           // 0.125 exactly
        {3, 5 * 1048576 / 8, "0.63 MB"},  // 0.625 exactly
        {3, 10485, "0.01 MB"},            // 0.00999..., rounds up
        {3, 5242, "0.00 MB"},             // 0.004999..., rounds down
        {3, 5243, "0.01 MB"},             // 0.005000..., just above the half
        {3, 1048576LL * 1234 + 524288, "1,234.50 MB"},
        {3, 4294967295LL, "4,096.00 MB"},
        // The whole 64-bit range stays well-defined.
        {0, std::numeric_limits<std::int64_t>::max(), "9,223,372,036,854,775,808"},
        {3, std::numeric_limits<std::int64_t>::max(), "8,796,093,022,208.00 MB"},
    };
    for (const ByteSizeCase& c : cases) {
        EXPECT_EQ(FormatByteSize(c.selector, c.value), c.text)
            << "selector " << int(c.selector) << ", value " << c.value;
    }
}

TEST(FormatByteSizeTest, LocaleSeparators) {
    const Separators german{".", ","};
    EXPECT_EQ(FormatByteSize(2, 1234567, german), "1.206 KB");
    EXPECT_EQ(FormatByteSize(0, 1234567, german), "1.234.567");
    EXPECT_EQ(FormatByteSize(3, 1234567, german), "1,18 MB");
    EXPECT_EQ(FormatByteSize(3, 1048576LL * 1234 + 524288, german), "1.234,50 MB");
    const Separators none{"", "."};
    EXPECT_EQ(FormatByteSize(0, 1234567, none), "1234567");
    const Separators blank{" ", "."};
    EXPECT_EQ(FormatByteSize(1, 1234567, blank), "1 234 567 B");
    // A double-byte separator stays whole: the full-width comma and stop of code page 932.
    const Separators fullWidth{"\x81\x43", "\x81\x44"};
    EXPECT_EQ(FormatByteSize(0, 1234567, fullWidth),
              "1\x81\x43"
              "234\x81\x43"
              "567");
    EXPECT_EQ(FormatByteSize(3, 1048576LL * 1234 + 524288, fullWidth),
              "1\x81\x43"
              "234\x81\x44"
              "50 MB");
}

TEST(FormatByteSizeTest, NegativeValuesKeepTheirSign) {
    EXPECT_EQ(FormatByteSize(0, -1234, Separators()), "-1,234");
    EXPECT_EQ(FormatByteSize(2, -1536, Separators()), "-2 KB");
    EXPECT_EQ(FormatByteSize(2, -511, Separators()), "0 KB");
    EXPECT_EQ(FormatByteSize(0, std::numeric_limits<std::int64_t>::min(), Separators()),
              "-9,223,372,036,854,775,808");
}

TEST(FormatSecondsTest, HoursMinutesSeconds) {
    const struct {
        std::int32_t seconds;
        const char* text;
    } cases[] = {
        {0, "0:00:00"},
        {59, "0:00:59"},
        {60, "0:01:00"},
        {3661, "1:01:01"},
        {90000, "25:00:00"},
        {93600, "26:00:00"},
        {1, "0:00:01"},
        {2, "0:00:02"},
        {3599, "0:59:59"},
        {3600, "1:00:00"},
        {std::numeric_limits<std::int32_t>::max(), "596523:14:07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSeconds(c.seconds), c.text) << c.seconds;
}

}  // namespace
}  // namespace qm
