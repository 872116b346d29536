#include "recording/ArchiveConversion.h"

#include "settings/StationSettings.h"
#include "recording/IagaDataFile.h"
#include "recording/ImagCdfWriter.h"
#include "recording/IntermagnetDataFile.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}

}  // namespace

TDerivedSettings ConversionProducts(const TStationSettings& settings, const TProductChoice& choice) {
    TDerivedSettings products;
    products.MinuteOr5Seconds = settings.MinuteOr5Seconds;
    products.IntermagnetHeader = settings.IntermagnetHeader;
    products.FilterCoefficients = settings.FilterCoefficients;
    products.Iaga = settings.Iaga;
    products.ImagCdf = settings.ImagCdf;
    products.Intermagnet = choice.Any() ? choice.Intermagnet : settings.AutoCreateIntermagnet;
    if (choice.Any()) {
        products.Iaga.SecondFiles = choice.IagaSeconds;
        products.Iaga.MinuteFiles = choice.IagaMinutes;
        products.ImagCdf.SecondFiles = choice.ImagCdfSeconds;
        products.ImagCdf.MinuteFiles = choice.ImagCdfMinutes;
    }
    return products;
}

TConversionSummary TArchiveConversion::Run(const TConversionProgress& progress) {
    TConversionSummary summary;
    if (!FJob.OutputFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(FJob.OutputFolder, error);
        if (error) {
            summary.Failures.push_back(FJob.OutputFolder + ": " + error.message());
            return summary;
        }
    }
    TDerivedFiles derived(FJob.Products);
    derived.SetBaseDirectory(FJob.OutputFolder);
    derived.SetBuffered(true);
    summary.Notices = derived.Notices();
    // Every file a writer starts, once (the writers also reopen their files as they go).
    const auto noteOpen = [&summary](TDataFile&, const std::string& fileName) {
        AddOnce(summary.FilesWritten, fileName);
    };
    if (FJob.Products.Intermagnet) derived.IntermagnetFile()->OnOpen = noteOpen;
    for (TIagaDataFile* iaga : {derived.IagaSecondFile(), derived.IagaMinuteFile()})
        if (iaga) iaga->OnOpen = noteOpen;
    for (TImagCdfWriter* imagCdf : {derived.ImagCdfSecondFile(), derived.ImagCdfMinuteFile()})
        if (imagCdf) imagCdf->OnWritten = [&summary](const std::string& path) { AddOnce(summary.FilesWritten, path); };

    TArchiveLineSource source(FJob.Files, FJob.FromDay, FJob.ToDay);
    TArchiveSample sample;
    std::uint64_t failedSamples = 0;
    while (source.Next(sample)) {
        try {
            derived.Record(sample.Values, sample.Stamp);
        } catch (const std::exception& error) {
            AddOnce(summary.Failures, error.what());
            if (++failedSamples >= MaxFailedSamples) {
                summary.Stopped = true;
                break;
            }
        }
        if (++summary.SamplesConverted % ProgressEvery == 0 && progress &&
            !progress(source.BytesDone(), source.LinesRead())) {
            summary.Cancelled = true;
            break;
        }
    }
    try {
        derived.Finish();
    } catch (const std::exception& error) {
        AddOnce(summary.Failures, error.what());
    }
    if (progress) progress(source.BytesDone(), source.LinesRead());

    summary.LinesRead = source.LinesRead();
    summary.LinesRefused = source.LinesRefused();
    summary.LinesOutsideDays = source.LinesOutsideDays();
    summary.FirstRefusedLines = source.FirstRefusedLines();
    for (const std::string& failure : source.Failures()) AddOnce(summary.Failures, failure);
    return summary;
}
