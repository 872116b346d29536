// Locale-free texts of the charts and the readout, time keys, and the nearest-point walk.

#include "window/NearestPoint.h"
#include "window/TimeKey.h"
#include "window/ValueText.h"

#include <gtest/gtest.h>

#include <vector>

TEST(AxisValueText, GroupsThousandsWithABlankAndKeepsAtMostThreeDecimals) {
    EXPECT_EQ(FormatAxisValue(48123.4567), "48 123.457");
    EXPECT_EQ(FormatAxisValue(-48123.4567), "-48 123.457");
    EXPECT_EQ(FormatAxisValue(1234567.5), "1 234 567.5");
    EXPECT_EQ(FormatAxisValue(-1000), "-1 000");
    EXPECT_EQ(FormatAxisValue(999), "999");
    EXPECT_EQ(FormatAxisValue(100000), "100 000");
    EXPECT_EQ(FormatAxisValue(12.30), "12.3");
    EXPECT_EQ(FormatAxisValue(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatAxisValue(-0.5), "-0.5");
    // Rounding may carry into the integer part and into a new group.
    EXPECT_EQ(FormatAxisValue(999.9996), "1 000");
    EXPECT_EQ(FormatAxisValue(0.0125), "0.013");
}

TEST(AxisValueText, ZeroHasNoSignWhateverRoundedToIt) {
    EXPECT_EQ(FormatAxisValue(0), "0");
    EXPECT_EQ(FormatAxisValue(-0.0), "0");
    EXPECT_EQ(FormatAxisValue(0.0004), "0");
    EXPECT_EQ(FormatAxisValue(-0.0004), "0");
}

TEST(TimeTexts, ClockShowsTheTimeOfDayWithoutMilliseconds) {
    EXPECT_EQ(FormatClockTime(EncodeDateTime(2024, 1, 5, 7, 5, 9, 999)), "07:05:09");
    EXPECT_EQ(FormatClockTime(EncodeDateTime(2024, 12, 31, 23, 59, 59)), "23:59:59");
}

TEST(TimeKeys, WholeSecondStampsBecomeWholeSecondsSince1970) {
    EXPECT_EQ(TimeToKey(UnixEpochDays), 0.0);
    EXPECT_EQ(TimeToKey(EncodeDateTime(2024, 1, 5, 12, 34, 56)), 1704458096.0);
    const TDateTime stamp = EncodeDateTime(2024, 1, 5, 12, 34, 56);
    EXPECT_NEAR(KeyToTime(TimeToKey(stamp)), stamp, 1e-10);
    // One second apart, exactly, however the stamps were rounded as days.
    EXPECT_EQ(TimeToKey(stamp + 1 / SecondsPerDay) - TimeToKey(stamp), 1.0);
}

namespace {

int Nearest(const std::vector<double>& keys, double x) {
    return NearestPointIndex(static_cast<int>(keys.size()), x,
                             [&](int i) { return keys.at(static_cast<std::size_t>(i)); });
}

}  // namespace

TEST(NearestPoint, WalksFromTheEstimateToTheNearestPointAndMovesOnWhenEqual) {
    const std::vector<double> keys{10, 20, 30};
    EXPECT_EQ(Nearest(keys, 15), 1);  // estimate 0, equal distance: moves on to 20
    EXPECT_EQ(Nearest(keys, 24), 1);  // estimate 2, walks back to 20
    EXPECT_EQ(Nearest(keys, 25), 1);  // estimate 2, equal distance: moves on to 20
    EXPECT_EQ(Nearest(keys, 26), 2);
    EXPECT_EQ(Nearest(keys, 20), 1);
    EXPECT_EQ(Nearest(keys, -1000), 0);
    EXPECT_EQ(Nearest(keys, 1000), 2);
}

TEST(NearestPoint, CopesWithUnevenSpacingAndDegenerateSeries) {
    // The estimate from the mean spacing lands far off; the walk still finds the point.
    EXPECT_EQ(Nearest({0, 1, 2, 3, 100}, 50), 3);
    EXPECT_EQ(Nearest({0, 1, 2, 3, 100}, 99), 4);
    EXPECT_EQ(Nearest({0, 97, 98, 99, 100}, 1), 0);
    // No spacing to divide by.
    EXPECT_EQ(Nearest({42}, 7), 0);
    EXPECT_EQ(Nearest({5, 5, 5}, 9), 2);
    EXPECT_EQ(Nearest({5, 5, 5}, 1), 0);
}
