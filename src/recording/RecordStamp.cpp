#include "recording/RecordStamp.h"

#include "acquisition/RuntimeErrors.h"

#include <cmath>

TRecordStamp ToRecordStamp(TDateTime time) {
    if (!std::isfinite(time)) throw ERangeError();
    double day = std::floor(time);
    double seconds = std::nearbyint((time - day) * SecondsPerDay);
    if (seconds >= SecondsPerDay) {
        day += 1;
        seconds -= SecondsPerDay;
    }
    return {static_cast<std::int64_t>(day), static_cast<std::int32_t>(seconds),
            day + seconds / SecondsPerDay};
}
