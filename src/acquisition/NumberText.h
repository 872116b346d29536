#pragma once
// Fixed-format number conversions: "." is always the decimal separator, whatever the locale of
// the process. Nothing here goes through the C locale or a system locale.

#include <cstdint>
#include <string>
#include <string_view>

// Optional sign and decimal digits, fitting a 32-bit signed integer; else EConvertError.
std::int32_t StrToInt(std::string_view text);
// Optional sign, digits with an optional "." fraction, optional exponent. "," , empty text,
// "nan", "inf" and hexadecimal floats are conversion errors (EConvertError).
double StrToFloat(std::string_view text);
// Non-throwing forms of the two conversions.
bool TryStrToInt(std::string_view text, std::int32_t& value);
bool TryStrToFloat(std::string_view text, double& value);

// Fixed notation with the given number of decimals, "." separator, rounded to nearest.
std::string FormatFixed(double value, int decimals);
// Shortest text that reads back to the same double ("0.1", "1.5E-5" style exponent "e").
std::string FormatShortest(double value);
// Right-aligns the text in the given width with spaces; longer texts are kept whole.
std::string PadLeft(std::string_view text, std::size_t width);
