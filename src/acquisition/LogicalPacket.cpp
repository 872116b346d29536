#include "acquisition/LogicalPacket.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

namespace {

constexpr char Separator = ' ';

// Date and time fields must fit an unsigned 16-bit word before they are encoded.
int CheckWord(std::int32_t value) {
    if (value < 0 || value > 65535) throw ERangeError();
    return value;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
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
    std::string rest = FLine;
    std::string token;
    std::int32_t dateTime[5];
    for (std::int32_t& field : dateTime) {
        CutToken(rest, token);
        field = StrToInt(token);
    }
    CutToken(rest, token);
    token = Trimmed(token);
    std::int32_t seconds = 0;
    std::int32_t milliseconds = 0;
    const std::size_t point = token.find('.');
    if (point == std::string::npos) {
        seconds = StrToInt(token);
    } else {
        // The digits after the point are a whole number of milliseconds: "07.5" is 7 s 5 ms.
        seconds = StrToInt(std::string_view(token).substr(0, point));
        milliseconds = StrToInt(std::string_view(token).substr(point + 1));
    }
    const int year = CheckWord(dateTime[0]);
    const int month = CheckWord(dateTime[1]);
    const int day = CheckWord(dateTime[2]);
    const int hour = CheckWord(dateTime[3]);
    const int minute = CheckWord(dateTime[4]);
    const int second = CheckWord(seconds);
    const int millisecond = CheckWord(milliseconds);
    FTimeStamp = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, millisecond);
    for (double& value : FValues) {
        CutToken(rest, token);
        value = StrToFloat(token);
    }
}
