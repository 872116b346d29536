// The archive converter: rebuilds INTERMAGNET and IAGA-2002 files from the station's archive.
#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "settings/SettingsLocation.h"
#include "settings/StationSettings.h"
#include "recording/ArchiveConversion.h"
#include "recording/ConversionReport.h"
#include "convert/ConvertCommandLine.h"
#include "convert/ProgressBar.h"
#include "recording/FilterFile.h"
#include "recording/SystemMessage.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifndef ORVANT_VERSION
#define ORVANT_VERSION "unknown"
#endif

namespace fs = std::filesystem;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// The station's own settings file: the one the station program beside this one would read.
std::string StationSettingsFile() {
    const fs::path self(ExecutablePath());
    return DefaultSettingsFileName((self.parent_path() / "orvant3k").string());
}

// The products and their settings; false (with the reason printed) when the settings or the
// filter file cannot be used.
bool ReadProducts(const TConvertCommand& command, TDerivedSettings& products) {
    const std::string settingsFile =
        command.SettingsFile.empty() ? StationSettingsFile() : command.SettingsFile;
    if (!command.SettingsFile.empty() && !fs::exists(settingsFile)) {
        std::fprintf(stderr, "orvant3k-convert: %s: %s\n", settingsFile.c_str(),
                     SystemMessage(ENOENT).c_str());
        return false;
    }
    TStationSettings settings;
    TProfileFile file(settingsFile);
    if (!file.ReadError().empty()) {
        std::fprintf(stderr, "orvant3k-convert: %s: %s\n", settingsFile.c_str(),
                     file.ReadError().c_str());
        return false;
    }
    const TSettingsProblems problems = LoadStationSettings(settings, file);
    if (!problems.empty()) {
        std::fprintf(stderr, "orvant3k-convert: %s\n", IniFileErrorText(settingsFile).c_str());
        for (const TSettingsProblem& problem : problems)
            std::fprintf(stderr, "orvant3k-convert: %s\n", problem.Describe(false).c_str());
        return false;
    }
    std::fprintf(stderr, "settings: %s\n", settingsFile.c_str());
    products = ConversionProducts(settings, command.Products);
    if (!command.FilterFile.empty()) {
        const TFilterFileContents filter = ReadFilterFile(command.FilterFile);
        if (!filter.ReadError.empty() || filter.Failed() || filter.Texts.empty()) {
            std::fprintf(stderr, "orvant3k-convert: %s: %s\n", command.FilterFile.c_str(),
                         !filter.ReadError.empty() ? filter.ReadError.c_str()
                         : filter.Failed()
                             ? ("C" + std::to_string(filter.FailedIndex) + ": " +
                                filter.ConversionError).c_str()
                             : "no coefficients (section \"Filter\", keys C0, C1, ...)");
            return false;
        }
        products.FilterCoefficients.clear();
        for (const std::string& text : filter.Texts)
            products.FilterCoefficients.push_back(StrToFloat(text));
    }
    if (!products.Intermagnet && !products.Iaga.SecondFiles && !products.Iaga.MinuteFiles &&
        !products.ImagCdf.SecondFiles && !products.ImagCdf.MinuteFiles) {
        std::fprintf(stderr, "orvant3k-convert: no product to write: the settings switch none on "
                             "(choose --intermagnet, --iaga-seconds, --iaga-minutes, "
                             "--imagcdf-seconds or --imagcdf-minutes)\n");
        return false;
    }
    return true;
}

// The outcome is the program's output, for a script to read; errors go with the progress.
void PrintSummary(const TConversionSummary& summary) {
    for (const std::string& file : summary.FilesWritten)
        std::fprintf(stdout, "written: %s\n", file.c_str());
    for (const std::string& line : ConversionReportLines(summary))
        std::fprintf(line.rfind("error: ", 0) == 0 ? stderr : stdout, "%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    TConvertCommand command;
    try {
        command = ParseConvertCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsageError& error) {
        std::fprintf(stderr, "orvant3k-convert: %s\n\n%s", error.what(), ConvertUsage().c_str());
        return ExitUsage;
    }
    if (command.Action == TConvertCommand::TAction::Help) {
        std::fputs(ConvertUsage().c_str(), stdout);
        return 0;
    }
    if (command.Action == TConvertCommand::TAction::Version) {
        std::printf("orvant3k-convert %s\n", ORVANT_VERSION);
        return 0;
    }

    TConversionJob job;
    job.FromDay = command.FromDay;
    job.ToDay = command.ToDay;
    if (!ReadProducts(command, job.Products)) return ExitFailure;
    const TDaysToRead days = ArchiveDaysToRead(job);
    const TArchiveSearch search = FindArchiveFiles(command.Paths, days.FromDay, days.ToDay);
    for (const std::string& error : search.Errors) std::fprintf(stderr, "error: %s\n", error.c_str());
    job.Files = search.Files;
    job.OutputFolder = command.OutputFolder;

    TProgressBar bar(stderr, search.TotalBytes);
    const TConversionSummary summary =
        TArchiveConversion(std::move(job)).Run([&bar](std::uint64_t bytes, std::uint64_t lines) {
            bar.Update(bytes, lines);
            return true;
        });
    bar.Clear();
    PrintSummary(summary);
    return summary.Succeeded() && search.Errors.empty() ? 0 : ExitFailure;
}
