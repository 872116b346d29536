#pragma once
// CDF's TT2000 times: nanoseconds of Terrestrial Time since 2000-01-01 12:00:00 TT, which count
// every leap second. UTC times are turned into them through the table of leap seconds below,
// which ends with the leap second of 2016-12-31; a time later than a leap second the table does
// not know would be off by that second, so the table's date is written into each CDF file.

#include <cstdint>

// The date (yyyymmdd) from which the table's last entry holds.
inline constexpr std::int32_t LeapSecondTableDate = 20170101;

// TAI - UTC in whole seconds at a UTC time given as seconds since 1970-01-01 (leap seconds not
// counted, as POSIX counts). ERangeError before 1972, where UTC had no whole-second offset.
int TaiMinusUtc(std::int64_t unixSeconds);

// The TT2000 time of a UTC time given as seconds since 1970-01-01 (POSIX count).
std::int64_t Tt2000FromUnixSeconds(std::int64_t unixSeconds);

// The POSIX seconds of a TT2000 time on a whole UTC second that is not a leap second: the
// inverse of Tt2000FromUnixSeconds, for checks and readers.
std::int64_t UnixSecondsFromTt2000(std::int64_t tt2000);
