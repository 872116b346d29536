#include "instrument/LineRate.h"

#include "acquisition/RuntimeErrors.h"

#include <numeric>
#include <stdexcept>

namespace {

EConvertError BadRate(std::string_view text, const std::string& why) {
    return EConvertError("'" + std::string(text) + "' is not a valid rate: " + why);
}

}  // namespace

TLineRate::TLineRate(std::uint64_t lines, std::uint64_t seconds) {
    if (lines == 0 || seconds == 0) throw std::invalid_argument("a line rate must be above zero");
    const std::uint64_t divisor = std::gcd(lines, seconds);
    FLines = lines / divisor;
    FSeconds = seconds / divisor;
}

TLineRate TLineRate::Parse(std::string_view text) {
    // Digits only: the number is read by hand so that the rate stays an exact fraction.
    std::uint64_t digits = 0;
    std::uint64_t scale = 1;
    int integerDigits = 0;
    int decimals = 0;
    bool afterPoint = false;
    for (char c : text) {
        if (c == '.' && !afterPoint) {
            afterPoint = true;
            continue;
        }
        if (c < '0' || c > '9') throw BadRate(text, "expected a number such as 1, 0.5 or 10");
        if (afterPoint) {
            if (++decimals > MaxDecimals) throw BadRate(text, "at most six decimals");
            scale *= 10;
        } else if (++integerDigits > 6 && digits != 0) {
            throw BadRate(text, "at most " + std::to_string(MaxHz) + " lines per second");
        }
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (integerDigits + decimals == 0) throw BadRate(text, "expected a number such as 1, 0.5 or 10");
    if (digits == 0) throw BadRate(text, "the rate must be above zero");
    if (digits > MaxHz * scale)
        throw BadRate(text, "at most " + std::to_string(MaxHz) + " lines per second");
    return TLineRate(digits, scale);
}

std::chrono::nanoseconds TLineRate::Offset(std::uint64_t line) const {
    // 128 bits: line * 1e9 * seconds exceeds 64 bits after a few years at high rates.
    const unsigned __int128 nanoseconds =
        static_cast<unsigned __int128>(line) * 1000000000u * FSeconds / FLines;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(nanoseconds));
}

std::int64_t TLineRate::OffsetMilliseconds(std::uint64_t line) const {
    const unsigned __int128 milliseconds =
        static_cast<unsigned __int128>(line) * 1000u * FSeconds / FLines;
    return static_cast<std::int64_t>(milliseconds);
}
