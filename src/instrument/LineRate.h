#pragma once
// Lines per second as an exact fraction ("0.5" is 1/2, "2.5" is 5/2). The n-th line's offset from
// the first is computed from n directly, never by adding up periods, so neither the time stamps
// nor the wall-clock deadlines drift, however long the simulator runs.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

class TLineRate {
public:
    static constexpr std::uint64_t MaxHz = 100000;
    static constexpr int MaxDecimals = 6;

    // One line per second.
    TLineRate() = default;
    // `lines` lines every `seconds` seconds; both above zero (else std::invalid_argument).
    TLineRate(std::uint64_t lines, std::uint64_t seconds);

    // Decimal text such as "1", "0.5" or "12.25" (at most six decimals), above zero and at most
    // MaxHz; else EConvertError with a message naming the text.
    static TLineRate Parse(std::string_view text);

    // How long after the first line line number `line` (0-based) is due, rounded down.
    std::chrono::nanoseconds Offset(std::uint64_t line) const;
    std::int64_t OffsetMilliseconds(std::uint64_t line) const;

    std::uint64_t Lines() const { return FLines; }
    std::uint64_t Seconds() const { return FSeconds; }
    double Hz() const { return static_cast<double>(FLines) / static_cast<double>(FSeconds); }

    friend bool operator==(const TLineRate&, const TLineRate&) = default;

private:
    std::uint64_t FLines = 1;
    std::uint64_t FSeconds = 1;
};
