#include "instrument/InstrumentLine.h"

#include "acquisition/NumberText.h"

namespace {

std::string ZeroPadded(int value, std::size_t width) {
    std::string digits = std::to_string(value);
    return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

}  // namespace

std::string FormatInstrumentLine(TDateTime time, const std::array<double, 5>& values) {
    const TDateParts date = DecodeDate(time);
    const TTimeParts clock = DecodeTime(time);
    std::string line = ZeroPadded(date.Year, 4);
    for (int field : {date.Month, date.Day, clock.Hour, clock.Minute, clock.Second})
        line += ' ' + ZeroPadded(field, 2);
    for (int i = 0; i < 3; ++i) line += ' ' + PadLeft(FormatFixed(values[i], 2), 9);
    for (int i = 3; i < 5; ++i) line += ' ' + PadLeft(FormatFixed(values[i], 1), 5);
    return line;
}
