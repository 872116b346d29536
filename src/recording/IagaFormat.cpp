#include "recording/IagaFormat.h"

#include "acquisition/DateTime.h"
#include "acquisition/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

std::string Fitted(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

void AppendTwoDigits(std::string& line, int value) {
    line += static_cast<char>('0' + value / 10);
    line += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string IagaHeaderLine(std::string_view label, std::string_view value) {
    return " " + Fitted(label, 23) + Fitted(value, 44) + " |";
}

std::string IagaCommentLine(std::string_view text) { return " # " + Fitted(text, 65) + " |"; }

std::string IagaColumnsLine(std::string_view code, std::string_view elements) {
    std::string line = "DATE       TIME         DOY  ";
    for (char element : elements) line += "   " + Fitted(Upper(code) + element, 7);
    return line + "|";
}

namespace {

// The value with two decimals as std::to_chars writes it (the double's exact value, rounded),
// without its general algorithm where that is safe: value * 100 is off the exact product by at
// most half a unit in its last place (under 1e-5 for |value| < 1e9), so unless it lies close
// to a half, rounding it rounds the exact product the same way. Near halves the general
// conversion decides.
std::size_t FixedTwoDecimals(double value, char (&text)[32]) {
    const double scaled = std::fabs(value) * 100.0;
    const auto truncated = static_cast<std::uint64_t>(scaled);  // floor: scaled is below 1e11
    const double fraction = scaled - static_cast<double>(truncated);
    if (std::fabs(fraction - 0.5) < 1e-4) {
        const auto [end, error] =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
        return error == std::errc() ? static_cast<std::size_t>(end - text) : 0;
    }
    std::uint64_t hundredths = truncated + (fraction > 0.5);
    char digits[24];
    char* p = digits + sizeof digits;
    for (int i = 0; i < 3 || hundredths != 0; ++i) {
        if (i == 2) *--p = '.';
        *--p = static_cast<char>('0' + hundredths % 10);
        hundredths /= 10;
    }
    std::size_t length = 0;
    if (std::signbit(value)) text[length++] = '-';
    const auto count = static_cast<std::size_t>(digits + sizeof digits - p);
    std::memcpy(text + length, p, count);
    return length + count;
}

}  // namespace

void AppendIagaValue(std::string& line, double value) {
    char text[32];
    std::size_t length = 0;
    if (std::isfinite(value) && std::fabs(value) < 1e9) length = FixedTwoDecimals(value, text);
    std::string_view written(text, length);
    if (written == "-0.00") written = "0.00";
    // The first character settles almost every value before a whole comparison is needed.
    const bool likeAMarker = written.size() == IagaMissingValue.size() &&
                             (written[0] == '9' || written[0] == '8') &&
                             (written == IagaMissingValue || written == IagaNotObservedValue);
    if (length == 0 || written.size() > 9 || likeAMarker) written = IagaMissingValue;
    // A space, then the value right-aligned in nine columns.
    const std::size_t at = line.size();
    line.resize(at + 10, ' ');
    std::memcpy(line.data() + at + 10 - written.size(), written.data(), written.size());
}

double IagaValueAsRead(double value) {
    // Values a field takes, hundredths far from a half (the instrument's own values are whole
    // hundredths), need no text: the hundredths, divided once, are the nearest double to the
    // decimal written, as reading that text gives.
    const double hundredths = value * 100;
    if (std::fabs(value) < 80000) {
        const double rounded = std::nearbyint(hundredths);
        if (std::fabs(hundredths - rounded) <= 0.49) return rounded == 0 ? 0.0 : rounded / 100;
    }
    std::string text;
    AppendIagaValue(text, value);
    const std::size_t start = text.find_first_not_of(' ');
    double parsed = 99999.0;
    std::from_chars(text.data() + start, text.data() + text.size(), parsed);
    return parsed;
}

std::string IagaHeaderNumber(const std::string& text, bool eastLongitude) {
    double value = 0;
    if (!TryStrToFloat(text, value)) return text;  // unchecked: written as given
    // The decimals that give the typed value back, kept when a western longitude turns east.
    int decimals = 0;
    double back = 0;
    while (decimals < 12 && !(TryStrToFloat(FormatFixed(value, decimals), back) && back == value))
        ++decimals;
    if (eastLongitude && value < 0) value += 360;
    std::string written = FormatFixed(value, decimals);
    if (written.find_first_not_of("-0.") == std::string::npos) written = written.substr(written[0] == '-');
    return written;
}

std::string IagaIntervalType(std::int32_t interval, std::size_t coefficients) {
    if (interval != 60) return "1-second";
    if (coefficients == 0) return "Filtered 1-minute";
    // The window as the format names it: from the start of the minute before the value's
    // minute, "00:15-01:45" for 91 one-second taps centred on the minute.
    const auto lead = static_cast<std::int64_t>(coefficients / 2);
    const auto lag = static_cast<std::int64_t>(coefficients) - 1 - lead;
    const auto minutesAndSeconds = [](std::int64_t seconds) {
        std::string text = seconds < 0 ? "-" : "";
        const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
        const std::string minutes = std::to_string(magnitude / 60);
        text += (minutes.size() < 2 ? "0" : "") + minutes + ":";
        AppendTwoDigits(text, static_cast<int>(magnitude % 60));
        return text;
    };
    return "Filtered 1-minute (" + minutesAndSeconds(60 - lead) + "-" + minutesAndSeconds(60 + lag) +
           ")";
}

std::vector<std::string> IagaStationComments(std::string_view program, std::int32_t interval,
                                             std::size_t coefficients) {
    // Each comment ends with a period: readers join comment lines that do not.
    std::vector<std::string> comments{
        "Recorded live by " + std::string(program) + ".",
        "F is not observed: it is given as 88888.00 throughout.",
    };
    if (interval == 60)
        comments.push_back("Filter: " + std::to_string(coefficients) +
                           " FIR coefficients, each value centred on its minute.");
    else
        comments.push_back("Unfiltered: each record is the first sample of its second.");
    return comments;
}

std::string IagaFileHead(const std::string& code, const TIagaHeader& header,
                         std::int32_t interval, const std::vector<std::string>& comments,
                         std::size_t coefficients) {
    const std::pair<const char*, std::string> fields[] = {
        {"Format", "IAGA-2002"},
        {"Source of Data", header.SourceOfData},
        {"Station Name", header.StationName},
        {"IAGA CODE", Upper(code)},
        {"Geodetic Latitude", IagaHeaderNumber(header.Latitude, false)},
        {"Geodetic Longitude", IagaHeaderNumber(header.Longitude, true)},
        {"Elevation", IagaHeaderNumber(header.Elevation, false)},
        {"Reported", header.Reported},
        {"Sensor Orientation", EffectiveSensorOrientation(header)},
        {"Digital Sampling", header.DigitalSampling},
        {"Data Interval Type", IagaIntervalType(interval, coefficients)},
        {"Data Type", "variation"},
    };
    std::string head;
    for (const auto& [label, value] : fields) head += IagaHeaderLine(label, value) + "\r\n";
    for (const std::string& comment : comments) head += IagaCommentLine(comment) + "\r\n";
    return head + IagaColumnsLine(code, header.Reported) + "\r\n";
}

TIagaDate IagaDate(std::int64_t day) {
    const TDateTime time = static_cast<double>(day);
    const TDateParts parts = DecodeDate(time);
    const std::int64_t dayOfYear = day - static_cast<std::int64_t>(EncodeDate(parts.Year, 1, 1)) + 1;
    char text[16];
    std::string date;
    date += std::string_view(text, std::to_chars(text, text + sizeof text, parts.Year).ptr - text);
    date += '-';
    AppendTwoDigits(date, parts.Month);
    date += '-';
    AppendTwoDigits(date, parts.Day);
    std::string doy = std::to_string(dayOfYear);
    doy.insert(0, 3 - doy.size(), '0');
    return {date, doy};
}

void AppendIagaStamp(std::string& line, const TIagaDate& date, std::int32_t secondOfDay) {
    // Filled in place: a second file has 86,400 of these a day.
    char time[] = " hh:nn:ss.000 ";
    const auto put = [&time](std::size_t at, std::int32_t value) {
        time[at] = static_cast<char>('0' + value / 10);
        time[at + 1] = static_cast<char>('0' + value % 10);
    };
    put(1, secondOfDay / 3600);
    put(4, secondOfDay / 60 % 60);
    put(7, secondOfDay % 60);
    line += date.Date;
    line.append(time, sizeof time - 1);
    line += date.DayOfYear;
    line += "   ";
}
