#pragma once
// Texts of the chart labels and of the mouse readout, in the station's fixed formats; nothing
// here goes through a locale.

#include "acquisition/DateTime.h"

#include <string>

// "#,##0.###" with a blank as the thousands separator: at most three decimals, rounded, trailing
// zeros and a bare "." dropped, at least one integer digit ("48 123.457", "-0.5", "0").
std::string FormatAxisValue(double value);

// "hh:nn:ss": hours 00..23, minutes, seconds; the milliseconds are not shown.
std::string FormatClockTime(TDateTime value);
