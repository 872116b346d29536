#include "recording/ArchiveConversion.h"

#include "settings/StationSettings.h"
#include "recording/IagaDataFile.h"
#include "recording/DateFormat.h"
#include "recording/ImagCdfWriter.h"
#include "recording/IntermagnetDataFile.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}

// Seconds the filter reaches before and after the bounds; none when nothing filtered is made.
std::pair<std::int64_t, std::int64_t> FilterReach(const TDerivedSettings& products) {
    if (!products.Intermagnet && !products.Iaga.MinuteFiles) return {0, 0};
    const TFilter filter(products.FilterCoefficients);
    return {filter.Lead(), filter.Lag()};
}

std::string NoLinesText(const TConversionJob& job) {
    std::string text = "no archive line found";
    if (job.FromDay != 0) text += " from " + FormatDateTime("yyyy-mm-dd", job.FromDay);
    if (job.ToDay != 0) text += " to " + FormatDateTime("yyyy-mm-dd", job.ToDay);
    return text;
}

}  // namespace

TDaysToRead ArchiveDaysToRead(const TConversionJob& job) {
    const auto [before, after] = FilterReach(job.Products);
    const auto days = [](std::int64_t seconds) {
        return std::ceil(static_cast<double>(seconds) / SecondsPerDay);
    };
    return {job.FromDay == 0 ? 0 : job.FromDay - days(before),
            job.ToDay == 0 ? 0 : job.ToDay + days(after)};
}

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
    // Each product asked for and refused by the settings rules is a failure of the conversion.
    for (const std::string& notice : derived.Notices()) AddOnce(summary.Failures, notice);
    if (FJob.Products.Intermagnet && FJob.Products.FilterCoefficients.empty())
        AddOnce(summary.Failures, "No INTERMAGNET files: there are no filter coefficients");
    if (FJob.FromDay != 0 || FJob.ToDay != 0)
        derived.SetRecordRange(FJob.FromDay, FJob.ToDay == 0 ? 0 : FJob.ToDay + 1);
    const auto [before, after] = FilterReach(FJob.Products);
    // Stamps lie on whole seconds: bounds half a second inside decide without rounding doubts.
    const TDateTime daysFrom = FJob.FromDay == 0 ? 0 : FJob.FromDay - 0.5 / SecondsPerDay;
    const TDateTime daysTo = FJob.ToDay == 0 ? 0 : FJob.ToDay + 1 - 0.5 / SecondsPerDay;
    // Every file a writer starts, once (the writers also reopen their files as they go).
    const auto noteOpen = [&summary](TDataFile&, const std::string& fileName) {
        AddOnce(summary.FilesWritten, fileName);
    };
    if (FJob.Products.Intermagnet) derived.IntermagnetFile()->OnOpen = noteOpen;
    for (TIagaDataFile* iaga : {derived.IagaSecondFile(), derived.IagaMinuteFile()})
        if (iaga) iaga->OnOpen = noteOpen;
    for (TImagCdfWriter* imagCdf : {derived.ImagCdfSecondFile(), derived.ImagCdfMinuteFile()})
        if (imagCdf) imagCdf->OnWritten = [&summary](const std::string& path) { AddOnce(summary.FilesWritten, path); };

    TArchiveLineSource source(FJob.Files, FJob.FromDay, FJob.ToDay, before, after);
    TArchiveSample sample;
    std::uint64_t failedSamples = 0;
    while (source.Next(sample)) {
        if ((daysFrom == 0 || sample.Stamp > daysFrom) && (daysTo == 0 || sample.Stamp < daysTo))
            ++summary.SamplesInDays;
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
    summary.LinesRepeated = source.LinesRepeated();
    for (const std::string& failure : source.Failures()) AddOnce(summary.Failures, failure);
    if (summary.SamplesInDays == 0 && !summary.Cancelled) AddOnce(summary.Failures, NoLinesText(FJob));
    return summary;
}
