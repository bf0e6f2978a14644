// Scan dates as the store returns them, and the value table of loaded scans.
#include "scan/DisplayData.h"

#include <gtest/gtest.h>

using scan::ScanDateTime;

TEST(ScanDateTime, ParsesStoredTextAndRejectsImpossibleDates) {
    ScanDateTime date = ScanDateTime::Parse("2026-12-07 21:40:07");
    EXPECT_EQ(date.state, ScanDateTime::State::kValid);
    EXPECT_EQ(date.day, 7);
    EXPECT_EQ(date.second, 7);
    EXPECT_EQ(ScanDateTime::Parse("2024-02-29 00:00:00").state, ScanDateTime::State::kValid);
    EXPECT_EQ(ScanDateTime::Parse("2023-02-29 00:00:00").state, ScanDateTime::State::kInvalid);
    EXPECT_EQ(ScanDateTime::Parse("2023-02-30 00:00:00").state, ScanDateTime::State::kInvalid);
    EXPECT_EQ(ScanDateTime::Parse("2023-04-31 10:00:00").state, ScanDateTime::State::kInvalid);
    EXPECT_EQ(ScanDateTime::Parse("garbage").state, ScanDateTime::State::kInvalid);
    EXPECT_EQ(ScanDateTime::Parse("").state, ScanDateTime::State::kNull);
    EXPECT_TRUE(ScanDateTime::Parse("2026-01-01 00:00:00") < ScanDateTime::Parse("2026-01-01 00:00:01"));
}

TEST(DisplayData, ValuesAreKeptPerRowAndScan) {
    scan::DisplayData data;
    data.SetValue(4294967295u, 1, 18446744073709551615ull);
    data.SetValue(1, 4294967295u, 5);
    EXPECT_EQ(data.Value(4294967295u, 1), 18446744073709551615ull);
    EXPECT_EQ(data.Value(1, 4294967295u), 5u);
    EXPECT_FALSE(data.Value(1, 1));
    data.Clear();
    EXPECT_EQ(data.ValueCount(), 0u);
    EXPECT_EQ(data.dirID, -1);
}
