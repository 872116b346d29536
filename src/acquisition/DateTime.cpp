#include "acquisition/DateTime.h"

#include "acquisition/RuntimeErrors.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <sys/time.h>

namespace {

constexpr int CumulativeDays[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

// Days from 0001-01-01 (day 1) to 1899-12-30 (day 0 of the station's dates).
constexpr std::int64_t DateDelta = 693594;

std::int64_t DaysBeforeYear(std::int64_t year) {
    const std::int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    const int leap = IsLeapYear(year) ? 1 : 0;
    return CumulativeDays[leap][month] - CumulativeDays[leap][month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        throw EConvertError("Invalid argument to date encode");
    const int leap = IsLeapYear(year) ? 1 : 0;
    return static_cast<double>(DaysBeforeYear(year) + CumulativeDays[leap][month - 1] + day -
                               DateDelta);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        millisecond < 0 || millisecond >= 1000)
        throw EConvertError("Invalid argument to time encode");
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return ms / MillisecondsPerDay;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, millisecond);
}

TDaySplit SplitDateTime(TDateTime value) {
    // Milliseconds since the epoch, rounded; the floor division keeps negative days right.
    const auto total = static_cast<std::int64_t>(std::llround(value * MillisecondsPerDay));
    std::int64_t day = total / 86400000;
    std::int64_t ms = total % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --day;
    }
    return {day, ms};
}

TDateParts DecodeDate(TDateTime value) {
    std::int64_t days = SplitDateTime(value).Day + DateDelta - 1;  // 0-based from 0001-01-01
    // Gregorian 400/100/4/1-year cycles.
    std::int64_t year = 1;
    year += 400 * (days / 146097);
    days %= 146097;
    std::int64_t centuries = days / 36524;
    if (centuries == 4) centuries = 3;
    year += 100 * centuries;
    days -= centuries * 36524;
    year += 4 * (days / 1461);
    days %= 1461;
    std::int64_t years = days / 365;
    if (years == 4) years = 3;
    year += years;
    days -= years * 365;
    const int leap = IsLeapYear(static_cast<int>(year)) ? 1 : 0;
    int month = 1;
    while (month < 12 && days >= CumulativeDays[leap][month]) ++month;
    return {static_cast<int>(year), month,
            static_cast<int>(days - CumulativeDays[leap][month - 1] + 1)};
}

TTimeParts DecodeTime(TDateTime value) {
    std::int64_t ms = SplitDateTime(value).Milliseconds;
    TTimeParts parts;
    parts.Millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.Second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.Minute = static_cast<int>(ms % 60);
    parts.Hour = static_cast<int>(ms / 60);
    return parts;
}

TDateTime NowLocal() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59,
                      static_cast<int>(now.tv_usec / 1000));
}
