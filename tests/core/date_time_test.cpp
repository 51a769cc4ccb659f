#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/DateTime.h"

namespace qm {
namespace {

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
