#include "station/StationPlan.h"

#include "recording/DerivedFiles.h"
#include "settings/StationSettings.h"

TRunSettings RunSettingsOf(const TStationSettings& settings) {
    TRunSettings run;
    run.PortSettings = settings.PortSettings;
    run.AutoCreateIntermagnet = settings.AutoCreateIntermagnet;
    run.MinuteOr5Seconds = settings.MinuteOr5Seconds;
    run.IntermagnetHeader = settings.IntermagnetHeader;
    run.FilterCoefficients = settings.FilterCoefficients;
    run.Iaga = settings.Iaga;
    run.ImagCdf = settings.ImagCdf;
    run.Network = settings.Network;
    run.Network.StationId = NetworkStationId(settings);
    return run;
}

namespace {

std::string IntermagnetText(const TStationSettings& settings) {
    if (!settings.AutoCreateIntermagnet) return "INTERMAGNET off";
    return std::string("INTERMAGNET ") +
           (settings.MinuteOr5Seconds ? "five-second" : "one-minute") + " values with " +
           std::to_string(settings.FilterCoefficients.size()) +
           " filter coefficients in INTERMAGNET/";
}

// "IAGA-2002 one-second and one-minute files in IAGA2002/", "ImagCDF off", ...
std::string DayFilesText(const char* product, const char* folder, bool seconds, bool minutes) {
    if (!seconds && !minutes) return std::string(product) + " off";
    const std::string files = seconds && minutes ? "one-second and one-minute"
                              : seconds          ? "one-second"
                                                 : "one-minute";
    return std::string(product) + " " + files + " files in " + folder;
}

std::string NetworkText(const TStationSettings& settings) {
    const TNetworkSettings& network = settings.Network;
    if (!network.Enabled()) return "network off";
    if (!network.Refused.empty()) return "network off (" + network.Refused + ")";
    return "network " + network.Broker + ":" + std::to_string(network.EffectivePort()) +
           (network.Tls ? " (TLS)" : "") + " as " + NetworkStationId(settings) + " under " +
           network.TopicPrefix + "/";
}

}  // namespace

std::string ProductsText(const TStationSettings& settings) {
    const TIagaSettings& iaga = settings.Iaga;
    const TImagCdfSettings& imagCdf = settings.ImagCdf;
    return "archive in ARCHIVE/, " + IntermagnetText(settings) + ", " +
           DayFilesText("IAGA-2002", "IAGA2002/", iaga.SecondFiles, iaga.MinuteFiles) + ", " +
           DayFilesText("ImagCDF", "ImagCDF/", imagCdf.SecondFiles, imagCdf.MinuteFiles) + ", " +
           NetworkText(settings);
}

std::vector<std::string> RefusedProducts(const TStationSettings& settings) {
    // The writers open no file before their first value, so making them costs nothing here.
    return TDerivedFiles(DerivedSettingsOf(RunSettingsOf(settings))).Notices();
}
