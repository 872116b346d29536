#pragma once
// The station's own date-time formatter. Qt's and the C library's tokens differ from the ones
// the file names and INTERMAGNET headers are defined with (in Qt "mm" means minutes), and
// neither may depend on the process locale, so the tokens are implemented here.

#include "acquisition/DateTime.h"

#include <string>
#include <string_view>

// Tokens, letters in any case; every other character is copied unchanged:
//   yyyy  four-digit year            yy  year modulo 100, two digits
//   mm    month 01..12, or minutes when the last letter token before it was an hour token
//   mmm   month abbreviation "Jan".."Dec" (longer runs of m too)
//   dd    day of month, two digits   hh  hour 00..23   nn  minute   ss  second
// The single letters m, d, h, n, s give the same numbers without a leading zero.
// The time is rounded to the nearest millisecond first (23:59:59.9996 is the next midnight);
// seconds are then taken without rounding.
std::string FormatDateTime(std::string_view format, TDateTime time);

// ASCII upper case; other bytes are kept. For the "mmmddyy" date of INTERMAGNET headers.
std::string UpperCaseAscii(std::string_view text);
