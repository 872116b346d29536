#pragma once
// The lines of an IAGA-2002 file as the station writes them: every line exactly 70 characters
// (the caller adds CR LF), spaces only, the header's "|" in column 70.

#include "settings/IagaHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t IagaLineLength = 70;
// What a value that is missing, or cannot be written, becomes; and F, which is not observed.
inline constexpr std::string_view IagaMissingValue = "99999.00";
inline constexpr std::string_view IagaNotObservedValue = "88888.00";

// " " + label in 23 columns + value in 44 (a longer value is cut) + " |".
std::string IagaHeaderLine(std::string_view label, std::string_view value);
// " # " + text in 65 columns (cut) + " |".
std::string IagaCommentLine(std::string_view text);
// "DATE       TIME         DOY  " and, for each element, three spaces and code + letter in 7
// columns, then "|".
std::string IagaColumnsLine(std::string_view code, std::string_view elements);

// "%9.2f"; -0.00 is written 0.00. A value that does not fit nine columns, or that would read as
// the missing or not-observed marker, is written as the missing value.
void AppendIagaValue(std::string& line, double value);
// The value a reader of the file gets for `value`: its written text read back (99999.0 where it
// is written as missing). Other formats of the same records (ImagCDF) hold exactly this.
double IagaValueAsRead(double value);

// The comments the station writes: the program, that F is not observed, and for minute
// files the filter (`coefficients` of them) that centres each value on its minute.
std::vector<std::string> IagaStationComments(std::string_view program, std::int32_t interval,
                                             std::size_t coefficients);

// A latitude, longitude or elevation as the format writes it: plain decimals, as many as give
// the typed value back ("+49.8" and "4.98e1" are "49.8"); a western longitude (below 0) is
// written east, 0 to 360. A text that is no number is returned as it is.
std::string IagaHeaderNumber(const std::string& text, bool eastLongitude);
// "1-second", or "Filtered 1-minute (00:15-01:45)": the window of one-second `coefficients`
// centred on the minute, counted from the start of the minute before.
std::string IagaIntervalType(std::int32_t interval, std::size_t coefficients);

// Header lines, comment lines and the column header, each with CR LF: the whole head of a
// file. `interval` is 1 (second files) or 60 (minute files); the code is written in capitals;
// `coefficients` is the number of the filter's coefficients (minute files).
std::string IagaFileHead(const std::string& code, const TIagaHeader& header,
                         std::int32_t interval, const std::vector<std::string>& comments,
                         std::size_t coefficients = 0);

// "yyyy-mm-dd" and "ddd" (day of year) of a day counted from 1899-12-30.
struct TIagaDate {
    std::string Date;
    std::string DayOfYear;
};
TIagaDate IagaDate(std::int64_t day);
// "yyyy-mm-dd hh:nn:ss.000 ddd   " for a second of that day: the first 30 columns of a data line.
void AppendIagaStamp(std::string& line, const TIagaDate& date, std::int32_t secondOfDay);
