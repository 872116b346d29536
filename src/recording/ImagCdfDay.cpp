#include "recording/ImagCdfDay.h"

#include "acquisition/NumberText.h"
#include "recording/CdfFile.h"
#include "recording/DateFormat.h"
#include "recording/Tt2000.h"

#include <cctype>

namespace {

constexpr std::int64_t SecondsInDay = 86400;
// 1970-01-01 in the station's day count (days since 1899-12-30).
constexpr std::int64_t UnixEpochDay = 25569;
constexpr char TimesVariable[] = "GeomagneticVectorTimes";
// The widest range a field element can take, in nT.
constexpr double ValidMinimum = -79999.0, ValidMaximum = 79999.0;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void AddText(TCdfFile& file, const char* name, const std::string& text) {
    if (!text.empty()) file.AddGlobalAttribute(name, {TCdfEntry::OfText(text)});
}

}  // namespace

TImagCdfHeader ImagCdfHeaderFrom(const std::string& code, const TIagaHeader& iaga,
                                 const TImagCdfSettings& settings) {
    TImagCdfHeader header;
    header.IagaCode = UpperCaseAscii(code);
    header.ElementsRecorded = iaga.Reported.substr(0, 3);
    header.VectorSensOrient = EffectiveSensorOrientation(iaga);
    header.ObservatoryName = EffectiveObservatoryName(settings, iaga);
    header.Institution = settings.Institution;
    header.Source = settings.Source;
    header.TermsOfUse = settings.TermsOfUse;
    header.PublicationLevel = settings.PublicationLevel;
    header.StandardLevel = settings.StandardLevel;
    header.StandardName = settings.StandardName;
    header.PartialStandDesc = settings.PartialStandDesc;
    TryStrToFloat(iaga.Latitude, header.Latitude);
    TryStrToFloat(iaga.Longitude, header.Longitude);
    if (header.Longitude < 0) header.Longitude += 360;
    if (!TryStrToFloat(iaga.Elevation, header.Elevation)) header.Elevation = 99999.0;
    return header;
}

std::string ImagCdfFileName(const TImagCdfHeader& header, const TImagCdfDay& day) {
    const char* startTime = day.Interval == 60 ? "0000" : "000000";
    return Lower(header.IagaCode) + "_" + FormatDateTime("yyyymmdd", static_cast<TDateTime>(day.Day)) + "_" + startTime + "_" +
           header.PublicationLevel + ".cdf";
}

std::string ImagCdfDayFile(const TImagCdfHeader& header, const TImagCdfDay& day,
                           std::int64_t publicationDate) {
    TCdfFile file;
    file.SetLeapSecondTableDate(LeapSecondTableDate);
    AddText(file, "FormatDescription", "INTERMAGNET CDF Format");
    AddText(file, "FormatVersion", "1.2");
    AddText(file, "Title", "Geomagnetic time series data");
    AddText(file, "IagaCode", header.IagaCode);
    AddText(file, "ElementsRecorded", header.ElementsRecorded);
    AddText(file, "PublicationLevel", header.PublicationLevel);
    file.AddGlobalAttribute("PublicationDate", {TCdfEntry::OfTime(Tt2000FromUnixSeconds(publicationDate))});
    AddText(file, "ObservatoryName", header.ObservatoryName);
    file.AddGlobalAttribute("Latitude", {TCdfEntry::OfDouble(header.Latitude)});
    file.AddGlobalAttribute("Longitude", {TCdfEntry::OfDouble(header.Longitude)});
    file.AddGlobalAttribute("Elevation", {TCdfEntry::OfDouble(header.Elevation)});
    AddText(file, "Institution", header.Institution);
    AddText(file, "VectorSensOrient", header.VectorSensOrient);
    AddText(file, "StandardLevel", header.StandardLevel);
    AddText(file, "StandardName", header.StandardName);
    AddText(file, "PartialStandDesc", header.PartialStandDesc);
    AddText(file, "Source", header.Source);
    AddText(file, "TermsOfUse", header.TermsOfUse);

    const std::size_t records = day.Values.size();
    for (std::size_t element = 0; element < 3; ++element) {
        std::vector<double> values(records);
        for (std::size_t record = 0; record < records; ++record) values[record] = day.Values[record][element];
        const std::string code(1, header.ElementsRecorded.at(element));
        const int variable = file.AddDoubleVariable("GeomagneticField" + code, std::move(values));
        file.SetVariableAttribute("FIELDNAM", variable, TCdfEntry::OfText("Geomagnetic Field Element " + code));
        file.SetVariableAttribute("UNITS", variable, TCdfEntry::OfText("nT"));
        file.SetVariableAttribute("FILLVAL", variable, TCdfEntry::OfDouble(ImagCdfFillValue));
        file.SetVariableAttribute("VALIDMIN", variable, TCdfEntry::OfDouble(ValidMinimum));
        file.SetVariableAttribute("VALIDMAX", variable, TCdfEntry::OfDouble(ValidMaximum));
        file.SetVariableAttribute("DEPEND_0", variable, TCdfEntry::OfText(TimesVariable));
        file.SetVariableAttribute("DISPLAY_TYPE", variable, TCdfEntry::OfText("time_series"));
        file.SetVariableAttribute("LABLAXIS", variable, TCdfEntry::OfText(code));
    }

    std::vector<std::int64_t> times(records);
    const std::int64_t dayStart = (day.Day - UnixEpochDay) * SecondsInDay;
    for (std::size_t record = 0; record < records; ++record)
        times[record] = Tt2000FromUnixSeconds(dayStart + static_cast<std::int64_t>(record) * day.Interval);
    file.AddTimeVariable(TimesVariable, std::move(times));
    return file.Bytes();
}
