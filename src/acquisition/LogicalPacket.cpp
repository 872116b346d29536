#include "acquisition/LogicalPacket.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

constexpr char Separator = ' ';

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trimmed(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// CutToken on a view: the same tokens without copying or shifting the rest of the line.
std::string_view NextToken(std::string_view& text) {
    std::size_t position = text.find(Separator);
    if (position == std::string_view::npos) position = text.size();
    const std::string_view token = text.substr(0, position);
    while (position < text.size() && text[position] == Separator) ++position;
    text.remove_prefix(position);
    return token;
}

// Why a line was refused: enough to raise the very error the conversion helpers raise, so
// that the parser itself never throws and the constructor still reports the exact reason.
struct TLineFault {
    enum class TKind { Integer, Float, Range, Date, Time } Kind = TKind::Integer;
    std::string_view Token;  // the text that did not convert (Integer, Float)
    int Fields[4] = {};      // year, month, day (Date); hour, minute, second, ms (Time)
};

bool Fail(TLineFault* fault, TLineFault::TKind kind, std::string_view token = {}) {
    if (fault) {
        fault->Kind = kind;
        fault->Token = token;
    }
    return false;
}

bool FailFields(TLineFault* fault, TLineFault::TKind kind, std::initializer_list<int> fields) {
    if (fault) {
        fault->Kind = kind;
        std::copy(fields.begin(), fields.end(), fault->Fields);
    }
    return false;
}

// Date and time fields must fit an unsigned 16-bit word before they are encoded.
bool IsWord(std::int32_t value) { return value >= 0 && value <= 65535; }

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
    return hour < 24 && minute < 60 && second < 60 && millisecond < 1000;
}

bool AreValidFields(const std::int32_t (&fields)[7]) {
    for (std::int32_t field : fields)
        if (!IsWord(field)) return false;
    return IsValidDate(fields[0], fields[1], fields[2]) &&
           IsValidTime(fields[3], fields[4], fields[5], fields[6]);
}

TDateTime EncodeStamp(const std::int32_t (&fields)[7]) {
    return EncodeDate(fields[0], fields[1], fields[2]) +
           EncodeTime(fields[3], fields[4], fields[5], fields[6]);
}

// The fast path for lines made only of plain tokens, as the instrument writes them: unsigned
// integers of at most 9 digits, a seconds token "ss" or "ss.mmm", values "[-]digits[.digits]"
// of at most 15 digits, single or repeated spaces between them. Whatever else it meets
// (signs, exponents, tabs, long numbers, a missing token, a line over MaxPlainLine) makes it
// give up, and the general conversions decide. Its results are those of the general
// conversions: up to 15 digits are exact in a double, and so is 10^k for k <= 15, so one
// division rounds correctly, as the general conversion does.

constexpr std::size_t MaxPlainLine = 127;

bool IsDigit(char c) { return static_cast<unsigned>(c - '0') < 10; }

// Appends the digits at `p` to `value`; returns how many there were. Digit strings too long
// for the callers wrap around harmlessly: the callers refuse them by their count.
std::ptrdiff_t Digits(const char*& p, std::uint64_t& value) {
    const char* start = p;
    while (IsDigit(*p)) value = value * 10 + static_cast<unsigned>(*p++ - '0');
    return p - start;
}

bool Unsigned(const char*& p, std::int32_t& field) {
    std::uint64_t value = 0;
    const std::ptrdiff_t count = Digits(p, value);
    field = static_cast<std::int32_t>(value);
    return count > 0 && count <= 9;
}

bool Decimal(const char*& p, double& value) {
    static constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = *p == '-';
    p += negative;
    std::uint64_t digits = 0;
    const std::ptrdiff_t wholeDigits = Digits(p, digits);
    std::ptrdiff_t fractionDigits = 0;
    if (*p == '.') {
        ++p;
        fractionDigits = Digits(p, digits);
        if (fractionDigits == 0) return false;
    }
    if (wholeDigits == 0 || wholeDigits + fractionDigits > 15) return false;
    const double magnitude = static_cast<double>(digits) / PowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

// After a token: the end of the line, or a run of spaces.
bool SkipSeparator(const char*& p, const char* end) {
    if (*p != Separator) return p == end;
    while (*p == Separator) ++p;
    return true;
}

// Scans a copy of the line ended by a NUL, so that no loop needs a bounds check; the line's
// end is told apart from a NUL inside the line by its position.
bool ScanPlainLine(std::string_view line, std::int32_t (&fields)[7], std::array<double, 5>& values) {
    if (line.size() > MaxPlainLine) return false;
    char text[MaxPlainLine + 1];
    std::memcpy(text, line.data(), line.size());
    text[line.size()] = '\0';
    const char* p = text;
    const char* const end = text + line.size();
    for (int i = 0; i < 5; ++i)
        if (!Unsigned(p, fields[i]) || !SkipSeparator(p, end)) return false;
    if (!Unsigned(p, fields[5])) return false;
    fields[6] = 0;
    if (*p == '.' && !Unsigned(++p, fields[6])) return false;
    if (!SkipSeparator(p, end)) return false;
    for (double& value : values)
        if (!Decimal(p, value) || !SkipSeparator(p, end)) return false;
    return true;
}

// The general parser. Checks run in the order in which the conversions would fail one after
// the other (tokens, range, date, time, values), so the first fault found is the one the line
// is refused for.
bool ParseAnyLine(std::string_view line, TDateTime& stamp, std::array<double, 5>& values,
                  TLineFault* fault) {
    using TKind = TLineFault::TKind;
    std::string_view rest = line;
    std::int32_t fields[7];  // year, month, day, hour, minute, second, millisecond
    for (int i = 0; i < 5; ++i) {
        const std::string_view token = NextToken(rest);
        if (!TryStrToInt(token, fields[i])) return Fail(fault, TKind::Integer, token);
    }
    const std::string_view seconds = Trimmed(NextToken(rest));
    const std::size_t point = seconds.find('.');
    fields[6] = 0;
    if (point == std::string_view::npos) {
        if (!TryStrToInt(seconds, fields[5])) return Fail(fault, TKind::Integer, seconds);
    } else {
        // The digits after the point are a whole number of milliseconds: "07.5" is 7 s 5 ms.
        const std::string_view whole = seconds.substr(0, point);
        const std::string_view millis = seconds.substr(point + 1);
        if (!TryStrToInt(whole, fields[5])) return Fail(fault, TKind::Integer, whole);
        if (!TryStrToInt(millis, fields[6])) return Fail(fault, TKind::Integer, millis);
    }
    for (std::int32_t field : fields)
        if (!IsWord(field)) return Fail(fault, TKind::Range);
    if (!IsValidDate(fields[0], fields[1], fields[2]))
        return FailFields(fault, TKind::Date, {fields[0], fields[1], fields[2]});
    if (!IsValidTime(fields[3], fields[4], fields[5], fields[6]))
        return FailFields(fault, TKind::Time, {fields[3], fields[4], fields[5], fields[6]});
    std::array<double, 5> parsed;
    for (double& value : parsed) {
        const std::string_view token = NextToken(rest);
        if (!TryStrToFloat(token, value)) return Fail(fault, TKind::Float, token);
    }
    stamp = EncodeStamp(fields);
    values = parsed;
    return true;
}

// The one parser of instrument lines, for the packet and the file loader alike. The outputs
// change only when the whole line is good.
bool ParseInstrumentLine(std::string_view line, TDateTime& stamp, std::array<double, 5>& values,
                         TLineFault* fault) {
    std::int32_t fields[7];
    std::array<double, 5> parsed;
    if (ScanPlainLine(line, fields, parsed) && AreValidFields(fields)) {
        stamp = EncodeStamp(fields);
        values = parsed;
        return true;
    }
    // Not plain, or refused: the general parser decides and names the fault.
    return ParseAnyLine(line, stamp, values, fault);
}

// Raises the error the conversion helpers give for the fault, with their own type and text.
[[noreturn]] void RaiseLineFault(const TLineFault& fault) {
    using TKind = TLineFault::TKind;
    const int* f = fault.Fields;
    switch (fault.Kind) {
        case TKind::Integer: StrToInt(fault.Token); break;
        case TKind::Float: StrToFloat(fault.Token); break;
        case TKind::Date: EncodeDate(f[0], f[1], f[2]); break;
        case TKind::Time: EncodeTime(f[0], f[1], f[2], f[3]); break;
        case TKind::Range: break;
    }
    // Range faults, and any helper that unexpectedly accepted what the parser refused.
    throw ERangeError();
}

}  // namespace

void CutToken(std::string& text, std::string& token) {
    std::size_t position = text.find(Separator);
    if (position == std::string::npos) position = text.size();
    token = text.substr(0, position);
    while (position < text.size() && text[position] == Separator) ++position;
    text.erase(0, position);
}

std::string BadLineMessage(const std::string& line) {
    return "Could not create LogicalPacket from received string:<" + line + ">";
}

bool TryParseInstrumentLine(std::string_view line, TDateTime& stamp,
                            std::array<double, 5>& values) {
    return ParseInstrumentLine(line, stamp, values, nullptr);
}

TLogicalPacket::TLogicalPacket(const std::string& line, TBadLineReport report) : FLine(line) {
    TLineFault fault;
    if (ParseInstrumentLine(FLine, FTimeStamp, FValues, &fault)) return;
    switch (report) {
        case TBadLineReport::Modal: Notifier().ErrorBox(BadLineMessage(FLine)); break;
        case TBadLineReport::NonModal:
            Notifier().Report(TReportKind::BadLine, BadLineMessage(FLine));
            break;
        case TBadLineReport::Silent: break;
    }
    RaiseLineFault(fault);
}
