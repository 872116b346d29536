#include "settings/StationSettings.h"

#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsReader.h"

#include <filesystem>

namespace Keys = SettingsKeys;

namespace {

std::string ReadHeaderText(const TSettingsReader& reader, const char* key, std::size_t maxLength) {
    return CutToLength(reader.String(Keys::Intermagnet::Section, key, key), maxLength);
}

// The texts are kept as written; the rules are checked when a run starts, where a broken one
// is reported and no IAGA-2002 file is written.
void LoadIagaSettings(TIagaSettings& iaga, TSettingsReader& reader) {
    namespace K = Keys::Iaga2002;
    const TIagaSettings defaults;
    iaga.SecondFiles = reader.Bool(K::Section, K::SecondFiles, false);
    iaga.MinuteFiles = reader.Bool(K::Section, K::MinuteFiles, false);
    TIagaHeader& header = iaga.Header;
    header.SourceOfData = reader.String(K::Section, K::SourceOfData, "");
    header.StationName = reader.String(K::Section, K::StationName, "");
    header.Latitude = reader.String(K::Section, K::Latitude, "");
    header.Longitude = reader.String(K::Section, K::Longitude, "");
    header.Elevation = reader.String(K::Section, K::Elevation, "");
    header.Reported = reader.String(K::Section, K::Reported, defaults.Header.Reported);
    header.SensorOrientation = reader.String(K::Section, K::SensorOrientation, "");
    header.DigitalSampling =
        reader.String(K::Section, K::DigitalSampling, defaults.Header.DigitalSampling);
}

void SaveIagaSettings(const TIagaSettings& iaga, TProfileFile& file) {
    namespace K = Keys::Iaga2002;
    file.WriteBool(K::Section, K::SecondFiles, iaga.SecondFiles);
    file.WriteBool(K::Section, K::MinuteFiles, iaga.MinuteFiles);
    const TIagaHeader& header = iaga.Header;
    file.WriteString(K::Section, K::SourceOfData, header.SourceOfData);
    file.WriteString(K::Section, K::StationName, header.StationName);
    file.WriteString(K::Section, K::Latitude, header.Latitude);
    file.WriteString(K::Section, K::Longitude, header.Longitude);
    file.WriteString(K::Section, K::Elevation, header.Elevation);
    file.WriteString(K::Section, K::Reported, header.Reported);
    file.WriteString(K::Section, K::SensorOrientation, header.SensorOrientation);
    file.WriteString(K::Section, K::DigitalSampling, header.DigitalSampling);
}

// Like the IAGA-2002 texts, these are checked when a run starts.
void LoadImagCdfSettings(TImagCdfSettings& imagCdf, TSettingsReader& reader) {
    namespace K = Keys::ImagCdf;
    const TImagCdfSettings defaults;
    imagCdf.SecondFiles = reader.Bool(K::Section, K::SecondFiles, false);
    imagCdf.MinuteFiles = reader.Bool(K::Section, K::MinuteFiles, false);
    imagCdf.Institution = reader.String(K::Section, K::Institution, "");
    imagCdf.ObservatoryName = reader.String(K::Section, K::ObservatoryName, "");
    imagCdf.Source = reader.String(K::Section, K::Source, defaults.Source);
    imagCdf.TermsOfUse = reader.String(K::Section, K::TermsOfUse, "");
    imagCdf.PublicationLevel = reader.String(K::Section, K::PublicationLevel, defaults.PublicationLevel);
    imagCdf.StandardLevel = reader.String(K::Section, K::StandardLevel, defaults.StandardLevel);
    imagCdf.StandardName = reader.String(K::Section, K::StandardName, "");
    imagCdf.PartialStandDesc = reader.String(K::Section, K::PartialStandDesc, "");
}

void SaveImagCdfSettings(const TImagCdfSettings& imagCdf, TProfileFile& file) {
    namespace K = Keys::ImagCdf;
    file.WriteBool(K::Section, K::SecondFiles, imagCdf.SecondFiles);
    file.WriteBool(K::Section, K::MinuteFiles, imagCdf.MinuteFiles);
    file.WriteString(K::Section, K::Institution, imagCdf.Institution);
    file.WriteString(K::Section, K::ObservatoryName, imagCdf.ObservatoryName);
    file.WriteString(K::Section, K::Source, imagCdf.Source);
    file.WriteString(K::Section, K::TermsOfUse, imagCdf.TermsOfUse);
    file.WriteString(K::Section, K::PublicationLevel, imagCdf.PublicationLevel);
    file.WriteString(K::Section, K::StandardLevel, imagCdf.StandardLevel);
    file.WriteString(K::Section, K::StandardName, imagCdf.StandardName);
    file.WriteString(K::Section, K::PartialStandDesc, imagCdf.PartialStandDesc);
}

// Reading stops at the first missing index, so "C0", "C1", "C3" give two coefficients. A set
// with a coefficient that is no number is not used at all: a filter short of one weight would
// write wrong minute values, where no filter writes none and says so.
void LoadFilter(TStationSettings& settings, TSettingsReader& reader) {
    namespace F = Keys::Filter;
    std::vector<std::string> texts;
    std::vector<double> values;
    bool usable = true;
    for (int n = 0; reader.File().ValueExists(F::Section, F::CoefficientKey(n)); ++n) {
        texts.push_back(reader.String(F::Section, F::CoefficientKey(n), "0"));
        double value = 0;
        if (!TryStrToFloat(texts.back(), value)) {
            reader.Report(F::Section, F::CoefficientKey(n),
                          "'" + texts.back() + "' is not a valid floating point value",
                          "the file's filter is not used");
            usable = false;
        }
        values.push_back(value);
    }
    if (!usable) return;
    settings.FilterCoefficientTexts = std::move(texts);
    settings.FilterCoefficients = std::move(values);
}

void LoadNetwork(TNetworkSettings& network, TSettingsReader& reader) {
    namespace Net = Keys::Network;
    network.Broker = reader.String(Net::Section, Net::Broker, "");
    network.Port = reader.Integer(Net::Section, Net::Port, 0);
    // Guessing "no" would send the broker password in plain text while the operator believes
    // TLS is on; the network part stays off instead and says why.
    const std::optional<bool> tls = reader.BoolOrNothing(
        Net::Section, Net::TLS, false, "the network stays off rather than connect without TLS");
    network.Tls = tls.value_or(true);
    network.Refused = tls ? "" : "TLS=" + reader.String(Net::Section, Net::TLS, "") +
                                     " is not a yes or no; the network stays off";
    network.CAFile = reader.String(Net::Section, Net::CAFile, "");
    network.Username = reader.String(Net::Section, Net::Username, "");
    network.PasswordFile = reader.String(Net::Section, Net::PasswordFile, "");
    network.StationId = reader.String(Net::Section, Net::StationId, "");
    network.TopicPrefix =
        reader.String(Net::Section, Net::TopicPrefix, TNetworkSettings().TopicPrefix);
    network.PagePort = reader.Integer(Net::Section, Net::PagePort, 0);
}

// A limit that is no positive number would warn all the time or never.
int ReadLimit(TSettingsReader& reader, const char* key, int defaultValue) {
    const int value = reader.Integer(Keys::Options::Section, key, defaultValue);
    if (value > 0) return value;
    reader.Report(Keys::Options::Section, key, std::to_string(value) + " is not above 0",
                  "the default " + std::to_string(defaultValue) + " is used");
    return defaultValue;
}

void LoadFileOnlyOptions(TStationSettings& settings, TSettingsReader& reader) {
    namespace O = Keys::Options;
    settings.DataFolder = reader.String(O::Section, O::DataFolder, "");
    const TWarningSettings defaults;
    settings.Warnings.NoDataSeconds =
        ReadLimit(reader, O::NoDataWarningSeconds, defaults.NoDataSeconds);
    settings.Warnings.ClockDriftSeconds =
        ReadLimit(reader, O::ClockDriftWarningSeconds, defaults.ClockDriftSeconds);
    settings.Warnings.DiskDays = ReadLimit(reader, O::DiskWarningDays, defaults.DiskDays);
}

}  // namespace

TSettingsProblems LoadStationSettings(TStationSettings& settings, const TProfileFile& file) {
    TSettingsProblems problems;
    TSettingsReader reader(file, problems);
    LoadCOMPortSettings(settings.PortSettings, file,
                        [&reader](const char* key, const std::string& reason) {
                            reader.Report(Keys::COMPortSettings::Section, key, reason,
                                          "the default is used");
                        });
    settings.MaxPointsOnScreen =
        reader.Integer(Keys::Options::Section, Keys::Options::MaxPointsOnScreen, 100);
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            settings.GraphChannels[g][c] = reader.Bool(
                Keys::GraphAndSeries::Section, Keys::GraphAndSeries::GraphChannelKey(g, c), g == c);
    settings.AutoCreateIntermagnet =
        reader.Bool(Keys::Options::Section, Keys::Options::AutoCreateIntermagnet, true);
    settings.MinuteOr5Seconds =
        reader.Integer(Keys::Intermagnet::Section, Keys::Intermagnet::MinuteOr5Seconds, 0);

    TIntermagnetHeader& header = settings.IntermagnetHeader;
    header.IDC = ReadHeaderText(reader, Keys::Intermagnet::IDC, IDCMaxLength);
    header.COMP = ReadHeaderText(reader, Keys::Intermagnet::COMP, COMPMaxLength);
    header.GIN = ReadHeaderText(reader, Keys::Intermagnet::GIN, GINMaxLength);
    header.COLA = ReadHeaderText(reader, Keys::Intermagnet::COLA, COLAMaxLength);
    header.LONG = ReadHeaderText(reader, Keys::Intermagnet::LONG, LONGMaxLength);
    header.DECBAS = ReadHeaderText(reader, Keys::Intermagnet::DECBAS, DECBASMaxLength);

    LoadIagaSettings(settings.Iaga, reader);
    LoadImagCdfSettings(settings.ImagCdf, reader);
    LoadFilter(settings, reader);
    LoadNetwork(settings.Network, reader);
    LoadFileOnlyOptions(settings, reader);
    return problems;
}

std::string NetworkStationId(const TStationSettings& settings) {
    return settings.Network.StationId.empty() ? settings.IntermagnetHeader.IDC
                                              : settings.Network.StationId;
}

void SaveStationSettings(const TStationSettings& settings, TProfileFile& file) {
    TProfileUpdate pass(file);
    SaveCOMPortSettings(settings.PortSettings, file);
    file.WriteInteger(Keys::Options::Section, Keys::Options::MaxPointsOnScreen,
                      settings.MaxPointsOnScreen);
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            file.WriteBool(Keys::GraphAndSeries::Section, Keys::GraphAndSeries::GraphChannelKey(g, c),
                           settings.GraphChannels[g][c]);
    file.WriteBool(Keys::Options::Section, Keys::Options::AutoCreateIntermagnet,
                   settings.AutoCreateIntermagnet);
    file.WriteInteger(Keys::Intermagnet::Section, Keys::Intermagnet::MinuteOr5Seconds,
                      settings.MinuteOr5Seconds);

    const TIntermagnetHeader& header = settings.IntermagnetHeader;
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::IDC, header.IDC);
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::COMP, header.COMP);
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::GIN, header.GIN);
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::COLA, header.COLA);
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::LONG, header.LONG);
    file.WriteString(Keys::Intermagnet::Section, Keys::Intermagnet::DECBAS, header.DECBAS);

    SaveIagaSettings(settings.Iaga, file);
    SaveImagCdfSettings(settings.ImagCdf, file);

    const int count = int(settings.FilterCoefficientTexts.size());
    for (int n = 0; n < count; ++n)
        file.WriteString(Keys::Filter::Section, Keys::Filter::CoefficientKey(n),
                         settings.FilterCoefficientTexts[n]);
    for (int n = count; file.ValueExists(Keys::Filter::Section, Keys::Filter::CoefficientKey(n)); ++n)
        file.DeleteKey(Keys::Filter::Section, Keys::Filter::CoefficientKey(n));

    namespace Net = Keys::Network;
    const TNetworkSettings& network = settings.Network;
    file.WriteString(Net::Section, Net::Broker, network.Broker);
    if (network.Port > 0)
        file.WriteInteger(Net::Section, Net::Port, network.Port);
    else if (file.ValueExists(Net::Section, Net::Port))
        file.DeleteKey(Net::Section, Net::Port);
    file.WriteBool(Net::Section, Net::TLS, network.Tls);
    file.WriteString(Net::Section, Net::CAFile, network.CAFile);
    file.WriteString(Net::Section, Net::Username, network.Username);
    file.WriteString(Net::Section, Net::PasswordFile, network.PasswordFile);
    file.WriteString(Net::Section, Net::StationId, network.StationId);
    file.WriteString(Net::Section, Net::TopicPrefix, network.TopicPrefix);
    // Like the port, only when there is one, so a file without the overview stays as it was.
    if (network.PagePort > 0)
        file.WriteInteger(Net::Section, Net::PagePort, network.PagePort);
    else if (file.ValueExists(Net::Section, Net::PagePort))
        file.DeleteKey(Net::Section, Net::PagePort);
    pass.Commit();
}

std::string IniFileErrorText(const std::string& fileName) {
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(fileName, ignored);
    return "Error in ini-file:" + full.lexically_normal().string();
}
