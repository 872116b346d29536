#include "recording/DateFormat.h"

#include <charconv>

namespace {

constexpr const char* ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void AppendNumber(std::string& out, int value, int minDigits) {
    char digits[16];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;  // an int always fits
    const auto length = static_cast<int>(end - digits);
    for (int pad = length; pad < minDigits; ++pad) out += '0';
    out.append(digits, end);
}

// Length of the run of `letter` (any case) starting at `position`.
std::size_t RunLength(std::string_view format, std::size_t position, char letter) {
    std::size_t end = position;
    while (end < format.size() && Upper(format[end]) == letter) ++end;
    return end - position;
}

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime time) {
    const TDateParts date = DecodeDate(time);
    const TTimeParts clock = DecodeTime(time);
    std::string out;
    out.reserve(format.size() + 8);
    char lastToken = 0;  // the last letter token, so that "mm" after an hour means minutes
    std::size_t i = 0;
    while (i < format.size()) {
        const char token = Upper(format[i]);
        switch (token) {
        case 'Y': {
            const std::size_t run = RunLength(format, i, 'Y');
            if (run <= 2)
                AppendNumber(out, date.Year % 100, 2);
            else
                AppendNumber(out, date.Year, 4);
            i += run;
            lastToken = 'Y';
            break;
        }
        case 'M': {
            const std::size_t run = RunLength(format, i, 'M');
            if (lastToken == 'H') {
                // Minutes: the letters after an hour token cannot name a month.
                AppendNumber(out, clock.Minute, run >= 2 ? 2 : 1);
                i += run >= 2 ? 2 : 1;
                lastToken = 'N';
            } else if (run >= 3) {
                out += ShortMonthNames[date.Month - 1];
                i += run;
                lastToken = 'M';
            } else {
                AppendNumber(out, date.Month, static_cast<int>(run));
                i += run;
                lastToken = 'M';
            }
            break;
        }
        case 'D':
        case 'H':
        case 'N':
        case 'S': {
            const std::size_t run = RunLength(format, i, token) >= 2 ? 2 : 1;
            const int value = token == 'D'   ? date.Day
                              : token == 'H' ? clock.Hour
                              : token == 'N' ? clock.Minute
                                             : clock.Second;
            AppendNumber(out, value, static_cast<int>(run));
            i += run;
            lastToken = token;
            break;
        }
        default:
            out += format[i];
            ++i;
            break;
        }
    }
    return out;
}

std::string UpperCaseAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Upper(c);
    return out;
}
