#include "acquisition/NumberText.h"

#include "acquisition/RuntimeErrors.h"

#include <charconv>
#include <cmath>

namespace {

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

bool ParseSignedDecimal(std::string_view text, std::int32_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
        // After a "+" no second sign may follow ("+-1").
        if (first != last && *first == '-') return false;
    }
    if (first == last) return false;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    return error == std::errc() && end == last;
}

}  // namespace

bool TryStrToInt(std::string_view text, std::int32_t& value) {
    return ParseSignedDecimal(text, value);
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t value = 0;
    if (!ParseSignedDecimal(text, value))
        throw EConvertError(Quoted(text) + " is not a valid integer value");
    return value;
}

bool TryStrToFloat(std::string_view text, double& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;
    }
    if (first == last) return false;
    // Only digits, one sign, "." and an exponent may appear: this keeps out "nan", "inf",
    // and hexadecimal forms, which from_chars would otherwise accept in some spellings.
    const char lead = *first == '-' ? (first + 1 != last ? first[1] : '\0') : *first;
    if (!((lead >= '0' && lead <= '9') || lead == '.')) return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

double StrToFloat(std::string_view text) {
    double value = 0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(Quoted(text) + " is not a valid floating point value");
    return value;
}

std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return "?";
    return std::string(buffer, end);
}

std::string FormatShortest(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc()) return "?";
    return std::string(buffer, end);
}

std::string PadLeft(std::string_view text, std::size_t width) {
    if (text.size() >= width) return std::string(text);
    return std::string(width - text.size(), ' ') + std::string(text);
}
