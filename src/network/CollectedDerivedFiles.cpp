#include "network/CollectedDerivedFiles.h"

#include "acquisition/NumberText.h"

#include <iterator>

namespace {

// The files a description gives, as the log names them.
std::string ProductsText(const TDerivedSettings& settings, const TDerivedFiles& files) {
    std::string text;
    const auto add = [&text](const std::string& product) {
        text += (text.empty() ? "" : ", ") + product;
    };
    if (settings.Intermagnet && !files.IntermagnetRefused() && !settings.FilterCoefficients.empty())
        add(std::string("INTERMAGNET ") + (settings.MinuteOr5Seconds ? "five-second" : "one-minute") +
            " values");
    if (files.IagaSecondFile()) add("IAGA-2002 second files");
    if (files.IagaMinuteFile()) add("IAGA-2002 minute files");
    if (files.ImagCdfSecondFile()) add("ImagCDF second files");
    if (files.ImagCdfMinuteFile()) add("ImagCDF minute files");
    return text.empty() ? "no INTERMAGNET, IAGA-2002 or ImagCDF files" : text;
}

}  // namespace

std::optional<TDerivedSettings> DerivedSettingsOf(const TStationMeta& meta, std::string& problem) {
    if (meta.Interval != 60 && meta.Interval != 5) {
        problem = "its INTERMAGNET interval is " + std::to_string(meta.Interval) +
                  " s, not 60 or 5";
        return std::nullopt;
    }
    TDerivedSettings settings;
    settings.Intermagnet = meta.Intermagnet;
    settings.MinuteOr5Seconds = meta.Interval == 5 ? 1 : 0;
    settings.IntermagnetHeader = {meta.IDC, meta.COMP, meta.GIN, meta.COLA, meta.LONG, meta.DECBAS};
    for (const std::string& text : meta.Coefficients) {
        double value = 0;
        if (!TryStrToFloat(text, value)) {
            problem = "its filter coefficient \"" + text + "\" is not a number";
            return std::nullopt;
        }
        settings.FilterCoefficients.push_back(value);
    }
    settings.Iaga = meta.Iaga;
    settings.ImagCdf = meta.ImagCdf;
    settings.Program = meta.Program;
    return settings;
}

TCollectedDerivedFiles::TCollectedDerivedFiles(std::string station, std::string folder, TLog log)
    : FStation(std::move(station)), FFolder(std::move(folder)), FLog(std::move(log)) {}

TCollectedDerivedFiles::~TCollectedDerivedFiles() { Finish(); }

void TCollectedDerivedFiles::Describe(const TStationMeta& meta, std::uint64_t from) {
    FWaiting[from] = meta;
    // A station has one description waiting per run it restarted while the collector caught
    // up; a peer naming ever further lines must not grow this without end.
    while (FWaiting.size() > MaxWaiting) FWaiting.erase(std::prev(FWaiting.end()));
}

void TCollectedDerivedFiles::Record(std::uint64_t seq, std::span<const double> values,
                                    TDateTime time) {
    if (!FWaiting.empty() && FWaiting.begin()->first <= seq) {
        // The latest description that holds by now; those before it held for no line here.
        const auto latest = std::prev(FWaiting.upper_bound(seq));
        const TStationMeta meta = std::move(latest->second);
        FWaiting.erase(FWaiting.begin(), std::next(latest));
        Begin(meta, seq);
    }
    if (!FFiles) return;
    try {
        FFiles->Record(values, time);
    } catch (const std::exception& error) {
        if (error.what() != FFailure) {
            FFailure = error.what();
            Log("INTERMAGNET or IAGA-2002 file: " + FFailure +
                    " (logged once until it changes or recovers)",
                TLogPriority::Error);
        }
        return;
    }
    if (!FFailure.empty()) {
        FFailure.clear();
        Log("INTERMAGNET and IAGA-2002 files written again", TLogPriority::Notice);
    }
}

void TCollectedDerivedFiles::Begin(const TStationMeta& meta, std::uint64_t seq) {
    Finish();
    const std::string from = "from line " + std::to_string(seq);
    std::string problem;
    const std::optional<TDerivedSettings> settings = DerivedSettingsOf(meta, problem);
    if (!settings) {
        Log("the station's description cannot be followed: " + problem +
                "; no INTERMAGNET, IAGA-2002 or ImagCDF files " + from + " on",
            TLogPriority::Warning);
        return;
    }
    FFiles = std::make_unique<TDerivedFiles>(*settings);
    FFiles->SetBaseDirectory(FFolder);
    Log(from + " on: " + ProductsText(*settings, *FFiles), TLogPriority::Info);
    // Header texts that break their rules: said once, those files left out; the archive records.
    for (const std::string& notice : FFiles->Notices()) Log(notice, TLogPriority::Warning);
}

void TCollectedDerivedFiles::Finish() {
    if (!FFiles) return;
    try {
        FFiles->Finish();
    } catch (const std::exception& error) {
        Log("INTERMAGNET or IAGA-2002 file: " + std::string(error.what()), TLogPriority::Error);
    }
    FFiles.reset();
    FFailure.clear();
}
