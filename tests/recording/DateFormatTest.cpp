#include "recording/DateFormat.h"

#include <gtest/gtest.h>

namespace {
const TDateTime Stamp = EncodeDateTime(2024, 1, 5, 12, 34, 56);
}

TEST(DateFormat, FormatsTheTokensInAnyCaseAndCopiesEverythingElse) {
    EXPECT_EQ(FormatDateTime("YYYYMMDDHHNNSS", Stamp), "20240105123456");
    EXPECT_EQ(FormatDateTime("yyyy/mm", Stamp), "2024/01");
    EXPECT_EQ(FormatDateTime("yyyy\\mm", Stamp), "2024\\01");
    EXPECT_EQ(FormatDateTime("MMMDDYY", Stamp), "Jan0524");
    EXPECT_EQ(UpperCaseAscii(FormatDateTime("mmmddyy", Stamp)), "JAN0524");
    EXPECT_EQ(FormatDateTime("mmmddyy", EncodeDate(2023, 12, 31)), "Dec3123");
    EXPECT_EQ(FormatDateTime("hh", EncodeDateTime(2024, 1, 5, 7, 0, 0)), "07");
    EXPECT_EQ(FormatDateTime("[Tag] d.m.yy h:n:s", EncodeDateTime(2009, 3, 4, 5, 6, 7)),
              "[Tag] 4.3.09 5:6:7");
}

TEST(DateFormat, MonthAfterAnHourTokenMeansMinutes) {
    EXPECT_EQ(FormatDateTime("hh:mm", Stamp), "12:34");
    EXPECT_EQ(FormatDateTime("hhmm", Stamp), "1234");
    EXPECT_EQ(FormatDateTime("mm hh", Stamp), "01 12");
    EXPECT_EQ(FormatDateTime("hh:mm dd/mm", Stamp), "12:34 05/01");
}

TEST(DateFormat, RoundsToTheMillisecondThenTruncatesSeconds) {
    const double ms = 1.0 / MillisecondsPerDay;
    EXPECT_EQ(FormatDateTime("ss", Stamp + 999.4 * ms), "56");
    EXPECT_EQ(FormatDateTime("ss", Stamp + 999.6 * ms), "57");
    const TDateTime almostMidnight = EncodeDate(2024, 1, 31) + 1.0 - 0.4 * ms;
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", almostMidnight), "2024-02-01 00:00:00");
}
