#include "acquisition/LogicalPacket.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <algorithm>
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

// The one parser of instrument lines. Checks run in the order in which the conversions would
// fail one after the other (tokens, range, date, time, values), so the first fault found is
// the one the line is refused for. The outputs change only when the whole line is good.
bool ParseInstrumentLine(std::string_view line, TDateTime& stamp, std::array<double, 5>& values,
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
    stamp = EncodeDate(fields[0], fields[1], fields[2]) +
            EncodeTime(fields[3], fields[4], fields[5], fields[6]);
    values = parsed;
    return true;
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
