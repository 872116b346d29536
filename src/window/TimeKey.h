#pragma once
// The charts' time axis counts seconds since 1970-01-01 00:00 (the unit of QCustomPlot's
// date-time ticker), while the station's stamps are days since 1899-12-30. Stamps are local
// instrument time; the axis treats them as UTC so that no time-zone shift is ever applied.

#include "acquisition/DateTime.h"

#include <cstdint>

// 1970-01-01 as a date-time value.
constexpr double UnixEpochDays = 25569.0;

// Goes through whole milliseconds, so that whole-second stamps become whole-number keys and
// their distances compare exactly.
inline double TimeToKey(TDateTime value) {
    const TDaySplit split = SplitDateTime(value);
    const auto days = split.Day - static_cast<std::int64_t>(UnixEpochDays);
    return static_cast<double>(days) * SecondsPerDay +
           static_cast<double>(split.Milliseconds) / 1000.0;
}

inline TDateTime KeyToTime(double key) { return key / SecondsPerDay + UnixEpochDays; }
