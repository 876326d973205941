// File: tests/engine/reporting_test.cpp
#include "engine/reporting.h"

#include <gtest/gtest.h>

namespace quillmax::engine {
namespace {

TEST(FormatKB, BelowOneUnitKeepsOneDecimalWithoutTrailingZero) {
    EXPECT_EQ(FormatKB(0), "0KB");
    EXPECT_EQ(FormatKB(700), "0.7KB");
    EXPECT_EQ(FormatKB(512), "0.5KB");
    EXPECT_EQ(FormatKB(1023), "1KB"); // 0.999 rounds to 1.0
    EXPECT_EQ(FormatKB(256), "0.2KB"); // 0.25: half to even
}

TEST(FormatKB, WholeUnitsRoundHalvesToEven) {
    EXPECT_EQ(FormatKB(1024), "1KB");
    EXPECT_EQ(FormatKB(1535), "1KB");
    EXPECT_EQ(FormatKB(1536), "2KB");
    EXPECT_EQ(FormatKB(1537), "2KB");
    EXPECT_EQ(FormatKB(2560), "2KB");
    EXPECT_EQ(FormatKB(2359296), "2304KB"); // no thousands separator
}

TEST(FormatMB, SameRulesPerMegabyte) {
    EXPECT_EQ(FormatMB(524288), "0.5MB");
    EXPECT_EQ(FormatMB(1048576), "1MB");
    EXPECT_EQ(FormatMB(2.5 * 1048576), "2MB");
    EXPECT_EQ(FormatMB(10 * 1048576), "10MB");
}

} // namespace
} // namespace quillmax::engine
