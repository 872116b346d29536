#include "instrument/StampTime.h"

namespace {

TStampMs FloorDiv(TStampMs value, TStampMs divisor) {
    const TStampMs quotient = value / divisor;
    return (value % divisor < 0) ? quotient - 1 : quotient;
}

}  // namespace

TStampMs StampOf(TDateTime time) {
    const TDaySplit split = SplitDateTime(time);
    return split.Day * StampMsPerDay + split.Milliseconds;
}

TDateTime DateTimeOfStamp(TStampMs stamp) {
    const TStampMs day = FloorDiv(stamp, StampMsPerDay);
    return static_cast<double>(day) +
           static_cast<double>(stamp - day * StampMsPerDay) / MillisecondsPerDay;
}

TStampMs WholeSecondOf(TStampMs stamp) {
    return FloorDiv(stamp, StampMsPerSecond) * StampMsPerSecond;
}

TStampMs TimeOfDayOf(TStampMs stamp) { return stamp - FloorDiv(stamp, StampMsPerDay) * StampMsPerDay; }

TStampMs LastShowableStamp() {
    return static_cast<TStampMs>(EncodeDate(9999, 12, 31)) * StampMsPerDay + StampMsPerDay - 1;
}
