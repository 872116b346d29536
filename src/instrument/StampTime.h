#pragma once
// The simulator counts time in whole milliseconds since 1899-12-30 00:00 (day zero of the
// station's date-time values). Integer stamps advance exactly, line after line, for years;
// a double date-time is made from them only to format a line.

#include "acquisition/DateTime.h"

#include <cstdint>

using TStampMs = std::int64_t;

constexpr TStampMs StampMsPerSecond = 1000;
constexpr TStampMs StampMsPerDay = 86400000;

// The date-time value rounded to the nearest millisecond.
TStampMs StampOf(TDateTime time);
TDateTime DateTimeOfStamp(TStampMs stamp);
// The stamp cut down to its whole second (towards the past, also before 1899-12-30).
TStampMs WholeSecondOf(TStampMs stamp);
// Milliseconds since the stamp's midnight, 0 .. StampMsPerDay - 1.
TStampMs TimeOfDayOf(TStampMs stamp);
// The last stamp a four-digit year can show: 9999-12-31 23:59:59.999.
TStampMs LastShowableStamp();
