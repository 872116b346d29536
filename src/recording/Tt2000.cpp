#include "recording/Tt2000.h"

#include "acquisition/RuntimeErrors.h"

#include <array>
#include <utility>

namespace {

// (POSIX seconds from which it holds, TAI - UTC), as the IERS publishes them.
constexpr std::array<std::pair<std::int64_t, int>, 28> LeapSeconds{{
    {63072000, 10},   // 1972-01-01
    {78796800, 11},   // 1972-07-01
    {94694400, 12},   // 1973-01-01
    {126230400, 13},  // 1974-01-01
    {157766400, 14},  // 1975-01-01
    {189302400, 15},  // 1976-01-01
    {220924800, 16},  // 1977-01-01
    {252460800, 17},  // 1978-01-01
    {283996800, 18},  // 1979-01-01
    {315532800, 19},  // 1980-01-01
    {362793600, 20},  // 1981-07-01
    {394329600, 21},  // 1982-07-01
    {425865600, 22},  // 1983-07-01
    {489024000, 23},  // 1985-07-01
    {567993600, 24},  // 1988-01-01
    {631152000, 25},  // 1990-01-01
    {662688000, 26},  // 1991-01-01
    {709948800, 27},  // 1992-07-01
    {741484800, 28},  // 1993-07-01
    {773020800, 29},  // 1994-07-01
    {820454400, 30},  // 1996-01-01
    {867715200, 31},  // 1997-07-01
    {915148800, 32},  // 1999-01-01
    {1136073600, 33}, // 2006-01-01
    {1230768000, 34}, // 2009-01-01
    {1341100800, 35}, // 2012-07-01
    {1435708800, 36}, // 2015-07-01
    {1483228800, 37}, // 2017-01-01
}};

constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
// 2000-01-01 12:00:00 as a POSIX count, and TT - TAI.
constexpr std::int64_t J2000UnixSeconds = 946728000;
constexpr std::int64_t TtMinusTaiNanoseconds = 32'184'000'000;

}  // namespace

int TaiMinusUtc(std::int64_t unixSeconds) {
    if (unixSeconds < LeapSeconds.front().first)
        throw ERangeError("TT2000 times are made for UTC from 1972 on only");
    int offset = LeapSeconds.front().second;
    for (const auto& [from, seconds] : LeapSeconds) {
        if (unixSeconds < from) break;
        offset = seconds;
    }
    return offset;
}

std::int64_t Tt2000FromUnixSeconds(std::int64_t unixSeconds) {
    return (unixSeconds - J2000UnixSeconds + TaiMinusUtc(unixSeconds)) * NanosecondsPerSecond +
           TtMinusTaiNanoseconds;
}

std::int64_t UnixSecondsFromTt2000(std::int64_t tt2000) {
    // TAI seconds since 1970 are at least the UTC ones; the offset at the TAI count is right
    // unless a leap second lies between the two, and then the offset at the first guess is.
    const std::int64_t taiSeconds = (tt2000 - TtMinusTaiNanoseconds) / NanosecondsPerSecond + J2000UnixSeconds;
    const std::int64_t guess = taiSeconds - TaiMinusUtc(taiSeconds);
    return taiSeconds - TaiMinusUtc(guess);
}
