#pragma once
// Where a record of a derived product (INTERMAGNET, IAGA-2002) sits in time: its day and its
// second of the day, shared so that every writer puts a filter output on the same mark.

#include "acquisition/DateTime.h"

#include <cstdint>

// A stamp on whole seconds: the time of day rounded to the nearest second (halves to even).
// A time that rounds up to 86,400 s is 00:00:00 of the next day, for the day, the file name
// and the position alike.
struct TRecordStamp {
    std::int64_t Day = 0;      // days since 1899-12-30
    std::int32_t Seconds = 0;  // 0 .. 86,399
    TDateTime Value = 0;       // Day and Seconds as a date-time
};

// ERangeError for a time that is not finite.
TRecordStamp ToRecordStamp(TDateTime time);
