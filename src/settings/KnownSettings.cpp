#include "settings/KnownSettings.h"

#include "acquisition/NameCase.h"
#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "settings/StationSettings.h"

#include <functional>
#include <string_view>
#include <vector>

namespace {

namespace Keys = SettingsKeys;

bool OneOf(const std::string& key, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (SameNameIgnoringCase(key, name)) return true;
    return false;
}

// `prefix`<n>`suffix` with n a decimal number from `low` to `high`.
bool Numbered(const std::string& key, std::string_view prefix, std::string_view suffix, int low,
              int high) {
    if (key.size() <= prefix.size() + suffix.size()) return false;
    if (!SameNameIgnoringCase(std::string_view(key).substr(0, prefix.size()), prefix) ||
        !SameNameIgnoringCase(std::string_view(key).substr(key.size() - suffix.size()), suffix))
        return false;
    const std::string digits = key.substr(prefix.size(), key.size() - prefix.size() - suffix.size());
    std::int32_t number = 0;
    return digits.find_first_not_of("0123456789") == std::string::npos &&
           TryStrToInt(digits, number) && number >= low && number <= high;
}

bool PlacementKey(const std::string& key) {
    namespace P = Keys::Placement;
    return OneOf(key, {P::FormVersion, P::Flags, P::ShowCmd, P::PixelsPerInch, P::MinMaxPos,
                       P::NormPos, P::Visible});
}

bool GraphChannelKey(const std::string& key) {
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            if (SameNameIgnoringCase(key, Keys::GraphAndSeries::GraphChannelKey(g, c))) return true;
    return false;
}

struct TKnownSection {
    const char* Name;
    std::function<bool(const std::string&)> KnowsKey;
};

const std::vector<TKnownSection>& KnownSections() {
    namespace C = Keys::COMPortSettings;
    namespace I = Keys::Intermagnet;
    namespace G = Keys::Iaga2002;
    namespace N = Keys::Network;
    static const std::vector<TKnownSection> sections = {
        {C::Section,
         [](const std::string& k) {
             return OneOf(k, {C::COMPort, C::BaudRate, C::StopBits, C::DataBits, C::Parity,
                              C::ReadInterval, C::ReadTotalMultiplier, C::ReadTotalConstant,
                              C::WriteTotalMultiplier, C::WriteTotalConstant, C::InputBufferSize,
                              C::OutputBufferSize});
         }},
        {Keys::SerialDevices::Section,
         [](const std::string& k) { return Numbered(k, "COM", "", 1, 1 << 30); }},
        {Keys::Options::Section,
         [](const std::string& k) {
             namespace O = Keys::Options;
             return OneOf(k, {O::MaxPointsOnScreen, O::AutoCreateIntermagnet, O::DataFolder,
                              O::NoDataWarningSeconds, O::ClockDriftWarningSeconds,
                              O::DiskWarningDays});
         }},
        {Keys::GraphAndSeries::Section, GraphChannelKey},
        // Also the placement of the INTERMAGNET parameters dialog (the same section).
        {I::Section,
         [](const std::string& k) {
             return OneOf(k, {I::MinuteOr5Seconds, I::IDC, I::COMP, I::GIN, I::COLA, I::LONG,
                              I::DECBAS}) ||
                    PlacementKey(k);
         }},
        {G::Section,
         [](const std::string& k) {
             return OneOf(k, {G::SecondFiles, G::MinuteFiles, G::SourceOfData, G::StationName,
                              G::Latitude, G::Longitude, G::Elevation, G::Reported,
                              G::SensorOrientation, G::DigitalSampling});
         }},
        {Keys::ImagCdf::Section,
         [](const std::string& k) {
             namespace D = Keys::ImagCdf;
             return OneOf(k, {D::SecondFiles, D::MinuteFiles, D::Institution, D::ObservatoryName, D::Source,
                              D::TermsOfUse, D::PublicationLevel, D::StandardLevel, D::StandardName,
                              D::PartialStandDesc});
         }},
        {Keys::Filter::Section, [](const std::string& k) { return Numbered(k, "C", "", 0, 1 << 30); }},
        {Keys::MainForm::Section,
         [](const std::string& k) {
             return Numbered(k, "CheckBox", "_Checked", 0, 4) ||
                    Numbered(k, "Panel", "_Height", 0, 4) || PlacementKey(k);
         }},
        {Keys::RecentFiles::Section,
         [](const std::string& k) {
             return Numbered(k, "Item_", "", 0, Keys::RecentFiles::MaxItems - 1);
         }},
        {Keys::TextForm::Section,
         [](const std::string& k) { return SameNameIgnoringCase(k, Keys::TextForm::MaxLines); }},
        {Keys::IntermagnetTextForm::Section,
         [](const std::string& k) { return SameNameIgnoringCase(k, Keys::IntermagnetTextForm::MaxLines); }},
        {Keys::Placement::GeneralOptionsFormSection, PlacementKey},
        {Keys::Placement::IntermagnetTextFormSection, PlacementKey},
        {Keys::Placement::TextFormSection, PlacementKey},
        {N::Section,
         [](const std::string& k) {
             return OneOf(k, {N::Broker, N::Port, N::TLS, N::CAFile, N::Username, N::PasswordFile,
                              N::StationId, N::TopicPrefix, N::PagePort});
         }},
    };
    return sections;
}

const TKnownSection* FindSection(const std::string& name) {
    for (const TKnownSection& section : KnownSections())
        if (SameNameIgnoringCase(name, section.Name)) return &section;
    return nullptr;
}

}  // namespace

TSettingsProblems UnknownSettings(const TProfileFile& file) {
    TSettingsProblems problems;
    for (const TProfileEntry& entry : file.Entries()) {
        const TKnownSection* section = FindSection(entry.Section);
        if (entry.Key.empty()) {
            if (!section)
                problems.push_back({entry.Section, "", entry.Line,
                                    "the station knows no such section", "its keys are ignored"});
            continue;
        }
        // The keys of an unknown section were reported with it; a key before any section line
        // has no section at all.
        if (!section && !entry.Section.empty()) continue;
        if (!section || !section->KnowsKey(entry.Key))
            problems.push_back({entry.Section, entry.Key, entry.Line,
                                "the station knows no such key here", "it is ignored"});
    }
    return problems;
}
