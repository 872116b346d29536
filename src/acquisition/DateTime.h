#pragma once
// Date-time values: a double counting days since 30 December 1899, the fraction being the time
// of day. All stamps are local instrument time as sent, without time-zone conversion.

#include <cstdint>

using TDateTime = double;

constexpr double SecondsPerDay = 86400.0;
constexpr double MillisecondsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Year 1..9999, month 1..12, day 1..days of that month; else EConvertError.
TDateTime EncodeDate(int year, int month, int day);
// Hour < 24, minute < 60, second < 60, millisecond < 1000 (all >= 0); else EConvertError.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond = 0);

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TTimeParts {
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
// The time of day is first rounded to the nearest millisecond; a value that rounds up to the
// next midnight belongs to the next day.
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);

// The whole-day part (days since 1899-12-30) and the time of day in milliseconds, rounded.
struct TDaySplit {
    std::int64_t Day = 0;
    std::int64_t Milliseconds = 0;
};
TDaySplit SplitDateTime(TDateTime value);

TDateTime NowLocal();
