#include "settings/StationSettings.h"

#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <filesystem>

namespace Keys = SettingsKeys;

namespace {

std::string ReadHeaderText(const TProfileFile& file, const char* key, std::size_t maxLength) {
    return CutToLength(file.ReadString(Keys::Intermagnet::Section, key, key), maxLength);
}

// The texts are kept as written; the rules are checked when a run starts, where a broken one
// is reported and no IAGA-2002 file is written.
void LoadIagaSettings(TIagaSettings& iaga, const TProfileFile& file) {
    namespace K = Keys::Iaga2002;
    const TIagaSettings defaults;
    iaga.SecondFiles = file.ReadBool(K::Section, K::SecondFiles, false);
    iaga.MinuteFiles = file.ReadBool(K::Section, K::MinuteFiles, false);
    TIagaHeader& header = iaga.Header;
    header.SourceOfData = file.ReadString(K::Section, K::SourceOfData, "");
    header.StationName = file.ReadString(K::Section, K::StationName, "");
    header.Latitude = file.ReadString(K::Section, K::Latitude, "");
    header.Longitude = file.ReadString(K::Section, K::Longitude, "");
    header.Elevation = file.ReadString(K::Section, K::Elevation, "");
    header.Reported = file.ReadString(K::Section, K::Reported, defaults.Header.Reported);
    header.SensorOrientation = file.ReadString(K::Section, K::SensorOrientation, "");
    header.DigitalSampling =
        file.ReadString(K::Section, K::DigitalSampling, defaults.Header.DigitalSampling);
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
void LoadImagCdfSettings(TImagCdfSettings& imagCdf, const TProfileFile& file) {
    namespace K = Keys::ImagCdf;
    const TImagCdfSettings defaults;
    imagCdf.SecondFiles = file.ReadBool(K::Section, K::SecondFiles, false);
    imagCdf.MinuteFiles = file.ReadBool(K::Section, K::MinuteFiles, false);
    imagCdf.Institution = file.ReadString(K::Section, K::Institution, "");
    imagCdf.ObservatoryName = file.ReadString(K::Section, K::ObservatoryName, "");
    imagCdf.Source = file.ReadString(K::Section, K::Source, defaults.Source);
    imagCdf.TermsOfUse = file.ReadString(K::Section, K::TermsOfUse, "");
    imagCdf.PublicationLevel = file.ReadString(K::Section, K::PublicationLevel, defaults.PublicationLevel);
    imagCdf.StandardLevel = file.ReadString(K::Section, K::StandardLevel, defaults.StandardLevel);
    imagCdf.StandardName = file.ReadString(K::Section, K::StandardName, "");
    imagCdf.PartialStandDesc = file.ReadString(K::Section, K::PartialStandDesc, "");
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

}  // namespace

void LoadStationSettings(TStationSettings& settings, const TProfileFile& file) {
    LoadCOMPortSettings(settings.PortSettings, file);
    settings.MaxPointsOnScreen =
        file.ReadInteger(Keys::Options::Section, Keys::Options::MaxPointsOnScreen, 100);
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            settings.GraphChannels[g][c] = file.ReadBool(
                Keys::GraphAndSeries::Section, Keys::GraphAndSeries::GraphChannelKey(g, c), g == c);
    settings.AutoCreateIntermagnet =
        file.ReadBool(Keys::Options::Section, Keys::Options::AutoCreateIntermagnet, true);
    settings.MinuteOr5Seconds =
        file.ReadInteger(Keys::Intermagnet::Section, Keys::Intermagnet::MinuteOr5Seconds, 0);

    TIntermagnetHeader& header = settings.IntermagnetHeader;
    header.IDC = ReadHeaderText(file, Keys::Intermagnet::IDC, IDCMaxLength);
    header.COMP = ReadHeaderText(file, Keys::Intermagnet::COMP, COMPMaxLength);
    header.GIN = ReadHeaderText(file, Keys::Intermagnet::GIN, GINMaxLength);
    header.COLA = ReadHeaderText(file, Keys::Intermagnet::COLA, COLAMaxLength);
    header.LONG = ReadHeaderText(file, Keys::Intermagnet::LONG, LONGMaxLength);
    header.DECBAS = ReadHeaderText(file, Keys::Intermagnet::DECBAS, DECBASMaxLength);

    LoadIagaSettings(settings.Iaga, file);
    LoadImagCdfSettings(settings.ImagCdf, file);

    // Reading stops at the first missing index, so "C0", "C1", "C3" give two coefficients.
    std::vector<std::string> texts;
    std::vector<double> values;
    for (int n = 0; file.ValueExists(Keys::Filter::Section, Keys::Filter::CoefficientKey(n)); ++n) {
        texts.push_back(file.ReadString(Keys::Filter::Section, Keys::Filter::CoefficientKey(n), "0"));
        values.push_back(StrToFloat(texts.back()));
    }
    settings.FilterCoefficientTexts = std::move(texts);
    settings.FilterCoefficients = std::move(values);

    namespace Net = Keys::Network;
    TNetworkSettings& network = settings.Network;
    network.Broker = file.ReadString(Net::Section, Net::Broker, "");
    network.Port = file.ReadInteger(Net::Section, Net::Port, 0);
    network.Tls = file.ReadBool(Net::Section, Net::TLS, false);
    network.CAFile = file.ReadString(Net::Section, Net::CAFile, "");
    network.Username = file.ReadString(Net::Section, Net::Username, "");
    network.PasswordFile = file.ReadString(Net::Section, Net::PasswordFile, "");
    network.StationId = file.ReadString(Net::Section, Net::StationId, "");
    network.TopicPrefix = file.ReadString(Net::Section, Net::TopicPrefix, TNetworkSettings().TopicPrefix);
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
    pass.Commit();
}

std::string IniFileErrorText(const std::string& fileName) {
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(fileName, ignored);
    return "Error in ini-file:" + full.lexically_normal().string();
}
