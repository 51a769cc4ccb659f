#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "core/DateTime.h"

namespace qm {
namespace {

TEST(DateTimeTest, DatesCountDaysFrom18991230) {
    const struct {
        SystemTime time;
        double value;
    } cases[] = {
        {{1899, 12, 30}, 0},
        {{1899, 12, 31}, 1},
        {{1900, 1, 1}, 2},
        {{1900, 3, 1}, 61},  // 1900 has no 29 February
        {{2000, 1, 1}, 36526},
        {{2000, 3, 1}, 36586},  // 2000 has one
        {{2004, 12, 31}, 38352},
        {{2100, 3, 1}, 73110},
        {{1601, 1, 1}, -109205},
        {{1, 1, 1}, -693593},
        {{9999, 12, 31}, 2958465},
        {{1899, 12, 30, 12, 0, 0, 0}, 0.5},
        {{1899, 12, 30, 18, 0, 0, 0}, 0.75},
        {{2000, 1, 1, 6, 0, 0, 0}, 36526.25},
        {{2000, 1, 1, 0, 0, 0, 500}, 36526 + 500.0 / 86400000.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(SystemTimeToDateTime(c.time), c.value)
            << c.time.year << "-" << c.time.month << "-" << c.time.day;
    }
}

TEST(DateTimeTest, InvalidFieldsAreRejected) {
    const SystemTime invalid[] = {
        {},  // a zero-filled record
        {1900, 2, 29},
        {2100, 2, 29},
        {2001, 2, 29},
        {2000, 4, 31},
        {2000, 13, 1},
        {10000, 1, 1},
        {2000, 1, 1, 24},
        {2000, 1, 1, 0, 60},
        {2000, 1, 1, 0, 0, 60},
        {2000, 1, 1, 0, 0, 0, 1000},
    };
    for (const SystemTime& t : invalid) {
        EXPECT_THROW(SystemTimeToDateTime(t), std::out_of_range)
            << t.year << "-" << t.month << "-" << t.day;
    }
    EXPECT_NO_THROW(SystemTimeToDateTime({2000, 2, 29}));
    EXPECT_NO_THROW(SystemTimeToDateTime({2004, 2, 29, 23, 59, 59, 999}));
}

TEST(DateTimeTest, AddMinutesAndWholeSeconds) {
    const double noon = SystemTimeToDateTime({2000, 1, 1, 12, 0, 0, 0});
    EXPECT_DOUBLE_EQ(AddMinutes(noon, -540), SystemTimeToDateTime({2000, 1, 1, 3, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(AddMinutes(noon, 720), 36527.0);
    EXPECT_DOUBLE_EQ(AddMinutes(noon, 0), noon);

    EXPECT_EQ(WholeSecondsBetween(0.0, 1.0), 86400);
    EXPECT_EQ(WholeSecondsBetween(1.0, 0.0), 86400);  // absolute: a clock set back
    EXPECT_EQ(WholeSecondsBetween(noon, noon), 0);
    // Truncated, never rounded up.
    const double start = SystemTimeToDateTime({2000, 1, 1, 12, 0, 0, 0});
    const double later = SystemTimeToDateTime({2000, 1, 1, 12, 0, 1, 900});
    EXPECT_EQ(WholeSecondsBetween(start, later), 1);
    EXPECT_EQ(WholeSecondsBetween(0.0, 1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(DateTimeTest, FileTimeSeconds) {
    EXPECT_EQ(FileTimeToWholeSeconds(19000000), 1u);  // 1.9 s of CPU time
    EXPECT_EQ(FileTimeToWholeSeconds(20000000), 2u);
    EXPECT_EQ(FileTimeToWholeSeconds(26ull * 3600 * 10000000), 93600u);
    EXPECT_EQ(FileTimeToWholeSeconds(9999999), 0u);

    const std::uint64_t created = 132000000000000000ull;
    EXPECT_EQ(ElapsedWholeSeconds(created, created + 35999999), 3u);
    EXPECT_EQ(ElapsedWholeSeconds(created + 35999999, created), 3u);
    EXPECT_EQ(ElapsedWholeSeconds(0, std::numeric_limits<std::uint64_t>::max()),
              std::numeric_limits<std::uint64_t>::max() / 10000000);
}

}  // namespace
}  // namespace qm
