#include "window/ValueText.h"

#include "acquisition/NumberText.h"

#include <cmath>

namespace {

// Inserts a blank between every group of three digits of `digits`, counted from the right.
std::string GroupThousands(const std::string& digits) {
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ' ';
        grouped += digits[i];
    }
    return grouped;
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::string FormatAxisValue(double value) {
    if (!std::isfinite(value))
        return FormatShortest(value);
    std::string text = FormatFixed(value, 3);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.erase(0, 1);
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    // A value that rounds to zero shows no sign: "-0" would read as a different number.
    const bool zero = whole.find_first_not_of('0') == std::string::npos && fraction.empty();
    std::string result = negative && !zero ? "-" : "";
    result += GroupThousands(whole);
    if (!fraction.empty())
        result += '.' + fraction;
    return result;
}

std::string FormatClockTime(TDateTime value) {
    const TTimeParts time = DecodeTime(value);
    return TwoDigits(time.Hour) + ':' + TwoDigits(time.Minute) + ':' + TwoDigits(time.Second);
}
