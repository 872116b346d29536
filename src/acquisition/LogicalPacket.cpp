#include "acquisition/LogicalPacket.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <string_view>

namespace {

constexpr char Separator = ' ';

// Date and time fields must fit an unsigned 16-bit word before they are encoded.
int CheckWord(std::int32_t value) {
    if (value < 0 || value > 65535) throw ERangeError();
    return value;
}

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

TLogicalPacket::TLogicalPacket(const std::string& line, TBadLineReport report) : FLine(line) {
    try {
        Parse();
    } catch (const std::exception&) {
        switch (report) {
            case TBadLineReport::Modal: Notifier().ErrorBox(BadLineMessage(FLine)); break;
            case TBadLineReport::NonModal:
                Notifier().Report(TReportKind::BadLine, BadLineMessage(FLine));
                break;
            case TBadLineReport::Silent: break;
        }
        throw;
    }
}

void TLogicalPacket::Parse() {
    std::string_view rest = FLine;
    std::int32_t dateTime[5];
    for (std::int32_t& field : dateTime) field = StrToInt(NextToken(rest));
    const std::string_view token = Trimmed(NextToken(rest));
    std::int32_t seconds = 0;
    std::int32_t milliseconds = 0;
    const std::size_t point = token.find('.');
    if (point == std::string_view::npos) {
        seconds = StrToInt(token);
    } else {
        // The digits after the point are a whole number of milliseconds: "07.5" is 7 s 5 ms.
        seconds = StrToInt(token.substr(0, point));
        milliseconds = StrToInt(token.substr(point + 1));
    }
    const int year = CheckWord(dateTime[0]);
    const int month = CheckWord(dateTime[1]);
    const int day = CheckWord(dateTime[2]);
    const int hour = CheckWord(dateTime[3]);
    const int minute = CheckWord(dateTime[4]);
    const int second = CheckWord(seconds);
    const int millisecond = CheckWord(milliseconds);
    FTimeStamp = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, millisecond);
    for (double& value : FValues) value = StrToFloat(NextToken(rest));
}
