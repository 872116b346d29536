#include "instrument/SimulatorOptions.h"

#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

namespace {

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}

}  // namespace

TDateTime ParseStartTime(std::string_view text) {
    const auto bad = [&text](const std::string& why) {
        return EConvertError("'" + std::string(text) + "' is not a valid start time: " + why);
    };
    // Positions of "YYYY-MM-DD hh:mm:ss" and the separator expected after each field.
    struct TField {
        std::size_t At, Width;
        char After;
    };
    constexpr TField Fields[] = {{0, 4, '-'}, {5, 2, '-'}, {8, 2, ' '},
                                 {11, 2, ':'}, {14, 2, ':'}, {17, 2, '\0'}};
    if (text.size() != 19) throw bad("expected \"YYYY-MM-DD hh:mm:ss\"");
    int values[6];
    for (int i = 0; i < 6; ++i) {
        const TField& field = Fields[i];
        const std::string_view digits = text.substr(field.At, field.Width);
        if (!AllDigits(digits) || (field.After && text[field.At + field.Width] != field.After))
            throw bad("expected \"YYYY-MM-DD hh:mm:ss\"");
        values[i] = StrToInt(digits);
    }
    try {
        return EncodeDateTime(values[0], values[1], values[2], values[3], values[4], values[5]);
    } catch (const EConvertError&) {
        throw bad("no such date or time");
    }
}

TLineEnd ParseLineEnd(std::string_view text) {
    if (text == "crlf") return TLineEnd::CrLf;
    if (text == "cr") return TLineEnd::Cr;
    if (text == "lfcr") return TLineEnd::LfCr;
    throw EConvertError("'" + std::string(text) + "' is not a line end: use crlf, cr or lfcr");
}
