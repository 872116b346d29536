#include "settings/IagaHeader.h"

#include "acquisition/NumberText.h"

#include <algorithm>

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A number within [low, high], written with "." decimals.
bool IsNumberIn(const std::string& text, double low, double high) {
    double value = 0;
    return TryStrToFloat(text, value) && value >= low && value <= high;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool IsPrintableAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool IsIagaCode(const std::string& code) {
    return code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) {
               return IsAsciiLetter(c) || IsAsciiDigit(c);
           });
}

std::string EffectiveSensorOrientation(const TIagaHeader& header) {
    return header.SensorOrientation.empty() ? header.Reported.substr(0, 3)
                                            : header.SensorOrientation;
}

std::optional<TIagaProblem> CheckIagaHeader(const std::string& code, const TIagaHeader& header) {
    if (!IsIagaCode(code))
        return TIagaProblem{"IDC", "The IAGA code (the IDC) must be three letters or digits, not " +
                                       Quoted(code)};
    const struct {
        const char* Key;
        const std::string& Text;
    } freeTexts[] = {{"SourceOfData", header.SourceOfData},
                     {"StationName", header.StationName},
                     {"DigitalSampling", header.DigitalSampling}};
    for (const auto& field : freeTexts)
        if (!IsPrintableAscii(field.Text))
            return TIagaProblem{field.Key, std::string(field.Key) +
                                               " may hold printable ASCII characters only, not " +
                                               Quoted(field.Text)};
    if (!IsNumberIn(header.Latitude, -90, 90))
        return TIagaProblem{"Latitude", "Latitude must be a number of degrees from -90 to 90, not " +
                                            Quoted(header.Latitude)};
    // West as negative degrees is taken too; the files write it east, 0 to 360.
    if (!IsNumberIn(header.Longitude, -180, 360))
        return TIagaProblem{"Longitude",
                            "Longitude must be a number of degrees east from -180 to 360, not " +
                                Quoted(header.Longitude)};
    if (!IsNumberIn(header.Elevation, -1e6, 1e6))
        return TIagaProblem{"Elevation",
                            "Elevation must be a number of metres, not " + Quoted(header.Elevation)};
    if (header.Reported != "XYZF" && header.Reported != "HEZF")
        return TIagaProblem{"Reported", "Reported must be XYZF or HEZF, not " + Quoted(header.Reported)};
    const std::string& orientation = header.SensorOrientation;
    if (orientation.size() > 4 || !std::all_of(orientation.begin(), orientation.end(), IsAsciiLetter))
        return TIagaProblem{"SensorOrientation",
                            "SensorOrientation must be one to four letters (empty: the first "
                            "three of Reported), not " + Quoted(orientation)};
    return std::nullopt;
}
