#include "settings/ImagCdfSettings.h"

#include "settings/SensorComponents.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace {

template <std::size_t N>
bool OneOf(const std::string& text, const std::array<std::string_view, N>& allowed) {
    return std::find(allowed.begin(), allowed.end(), text) != allowed.end();
}

}  // namespace

std::string EffectiveObservatoryName(const TImagCdfSettings& settings, const TIagaHeader& iaga) {
    return settings.ObservatoryName.empty() ? iaga.StationName : settings.ObservatoryName;
}

std::vector<TIagaProblem> CheckImagCdfSettings(const std::string& code, const TIagaHeader& iaga,
                                               const TImagCdfSettings& settings) {
    std::vector<TIagaProblem> problems;
    if (const std::optional<TIagaProblem> problem = CheckIagaHeader(code, iaga)) problems.push_back(*problem);
    // The elements named are those of Reported, so they must be the sensor's as for IAGA-2002.
    else if (const std::optional<TIagaProblem> mismatch = CheckReportedComponents(iaga)) problems.push_back(*mismatch);
    const std::string observatory = EffectiveObservatoryName(settings, iaga);
    const struct {
        const char* Key;
        const std::string& Text;
        bool Required;
    } texts[] = {{"Institution", settings.Institution, true},
                 {"ObservatoryName", observatory, true},
                 {"TermsOfUse", settings.TermsOfUse, false},
                 {"StandardName", settings.StandardName, settings.StandardLevel != "None"},
                 {"PartialStandDesc", settings.PartialStandDesc, settings.StandardLevel == "Partial"}};
    for (const auto& field : texts) {
        if (field.Required && field.Text.empty())
            problems.push_back({field.Key, std::string(field.Key) + " must be given for ImagCDF files"});
        else if (!IsPrintableAscii(field.Text))
            problems.push_back({field.Key, std::string(field.Key) + " may hold printable ASCII characters only"});
    }
    if (!OneOf(settings.Source, std::array<std::string_view, 3>{"institute", "INTERMAGNET", "WDC"}))
        problems.push_back({"Source", "Source must be institute, INTERMAGNET or WDC, not \"" + settings.Source + "\""});
    if (!OneOf(settings.PublicationLevel, std::array<std::string_view, 4>{"1", "2", "3", "4"}))
        problems.push_back({"PublicationLevel", "PublicationLevel must be 1, 2, 3 or 4, not \"" +
                                                    settings.PublicationLevel + "\""});
    if (!OneOf(settings.StandardLevel, std::array<std::string_view, 3>{"None", "Partial", "Full"}))
        problems.push_back({"StandardLevel", "StandardLevel must be None, Partial or Full, not \"" +
                                                 settings.StandardLevel + "\""});
    return problems;
}
