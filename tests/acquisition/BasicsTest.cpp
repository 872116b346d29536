#include "acquisition/BasicException.h"
#include "acquisition/DateTime.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <gtest/gtest.h>

TEST(DateTime, EncodesAndDecodesAroundTheEpochAndLeapDays) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2024, 1, 5), 45296.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1, 1, 1), -693593.0);
    for (const auto& [y, m, d] : {std::tuple{2024, 2, 29}, {2000, 2, 29}, {1, 1, 1}, {9999, 12, 31},
                                  {1899, 12, 29}, {2023, 12, 31}, {2100, 3, 1}}) {
        const TDateParts parts = DecodeDate(EncodeDate(y, m, d) + 0.75);
        EXPECT_EQ(parts.Year, y);
        EXPECT_EQ(parts.Month, m);
        EXPECT_EQ(parts.Day, d);
    }
    EXPECT_THROW(EncodeDate(2100, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(23, 59, 59, 1000), EConvertError);
}

TEST(DateTime, RoundsTimeToTheMillisecondAndCarriesIntoTheNextDay) {
    const TDateTime t = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 999);
    EXPECT_EQ(DecodeTime(t).Millisecond, 999);
    const TDateTime almostMidnight = EncodeDate(2024, 1, 31) + (86400000.0 - 0.2) / 86400000.0;
    EXPECT_EQ(DecodeDate(almostMidnight).Month, 2);
    EXPECT_EQ(DecodeTime(almostMidnight).Hour, 0);
}

TEST(NumberText, ConvertsWithTheFixedFormatOnly) {
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("-007"), -7);
    for (const char* bad : {"", "+", "-", "1 ", " 1", "0x10", "1.0", "2147483648", "+-1"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-1.5E3"), -1500.0);
    for (const char* bad : {"", "1,5", "nan", "-inf", "infinity", "0x1p3", "1e999", "1.5.", "e3", ".", "+-1"})
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    EXPECT_EQ(FormatFixed(21345.676, 2), "21345.68");
    EXPECT_EQ(FormatFixed(-0.04, 1), "-0.0");
    EXPECT_EQ(PadLeft("12", 5), "   12");
    EXPECT_EQ(PadLeft("123456", 5), "123456");
}

TEST(BasicException, KeepsTheMessageAndNamesApart) {
    const auto created = EBasicException::Create("", 5, "TCOMPort", "Open");
    EXPECT_STREQ(created.what(), "");
    EXPECT_EQ(created.ErrorCode(), 5);
    EXPECT_EQ(created.SourceClass(), "TCOMPort");
    EXPECT_EQ(created.SourceMethod(), "Open");
    const auto copied = EBasicException::CreateFrom(created, 0, "TDataFile", "MakeFileName");
    EXPECT_STREQ(copied.what(), "");
    EXPECT_EQ(copied.ErrorCode(), 0);
    EXPECT_EQ(copied.SourceClass(), "TDataFile");
    const auto fromRuntime =
        EBasicException::CreateFrom(EConvertError("bad value"), 0, "TDataFile", "MakeFileName");
    EXPECT_STREQ(fromRuntime.what(), "bad value");
    EXPECT_NEAR(fromRuntime.RaisedAt(), NowLocal(), 1.0 / 86400.0);
}
