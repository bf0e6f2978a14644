// The one size formatter: units, grouping, the "<1" rule and smart units.
#include "app/base/FormatBytes.h"

#include <gtest/gtest.h>

using app::FormatBytes;

TEST(FormatBytes, FixedUnitsTruncateAndGroupWithCommas) {
    EXPECT_EQ(FormatBytes(1536, true, 2), "1 K");
    EXPECT_EQ(FormatBytes(500, true, 2), "<1");
    EXPECT_EQ(FormatBytes(500, false, 2), "0");
    EXPECT_EQ(FormatBytes(0, true, 2), "0 K");
    EXPECT_EQ(FormatBytes(1, true, 1), "1 byte");
    EXPECT_EQ(FormatBytes(2, true, 1), "2 bytes");
    EXPECT_EQ(FormatBytes(1234567, true, 1), "1,234,567 bytes");
    EXPECT_EQ(FormatBytes(1234567, false, 1), "1234567");
    EXPECT_EQ(FormatBytes(1048576, true, 2), "1,024 K");
    EXPECT_EQ(FormatBytes(5LL * 1024 * 1024 * 1024, true, 4), "5 GB");
    EXPECT_EQ(FormatBytes(3 * 1024 * 1024 - 1, true, 3), "2 MB");
}

TEST(FormatBytes, SmartUnitsUseDecimalThresholdsAndBinaryDivision) {
    EXPECT_EQ(FormatBytes(2500000, true, 5), "2,441 K");
    EXPECT_EQ(FormatBytes(999999, true, 5), "999,999 bytes");
    EXPECT_EQ(FormatBytes(1000000, true, 5), "976 K");
    EXPECT_EQ(FormatBytes(999999999, true, 5), "976,562 K");
    EXPECT_EQ(FormatBytes(1000000000, true, 5), "953 MB");
    EXPECT_EQ(FormatBytes(1000000000000LL, true, 5), "931 GB");
    EXPECT_EQ(FormatBytes(-5, true, 5), "-5 bytes");
}

TEST(FormatBytes, MinusOneIsEmptyAndOtherNegativesKeepTheirSign) {
    EXPECT_EQ(FormatBytes(-1, true, 2), "");
    EXPECT_EQ(FormatBytes(-1, false, 1), "");
    EXPECT_EQ(FormatBytes(-2048000, true, 2), "-2,000 K");
}
