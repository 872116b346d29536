#pragma once

#include "recording/DerivedFiles.h"
#include "recording/ArchiveFiles.h"
#include "recording/ArchiveLineSource.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Which derived files to write.
struct TProductChoice {
    bool Intermagnet = false;
    bool IagaSeconds = false;
    bool IagaMinutes = false;
    bool ImagCdfSeconds = false;
    bool ImagCdfMinutes = false;
    bool Any() const { return Intermagnet || IagaSeconds || IagaMinutes || ImagCdfSeconds || ImagCdfMinutes; }
};

// One conversion: the archive files to read, the days to take and what to make of them.
struct TConversionJob {
    std::vector<TArchiveFile> Files;
    TDateTime FromDay = 0;  // 0: open end
    TDateTime ToDay = 0;
    TDerivedSettings Products;
    std::string OutputFolder;  // where the INTERMAGNET/ and IAGA2002/ trees go; "" is the working folder
};

struct TStationSettings;

// The days of archive files a conversion must read: its days, widened by the filter's reach
// beyond each bound when a filtered product is made (0 stays an open end).
struct TDaysToRead {
    TDateTime FromDay = 0;
    TDateTime ToDay = 0;
};
TDaysToRead ArchiveDaysToRead(const TConversionJob& job);

// What to make, from the station's settings: its header fields, interval, filter and IAGA-2002
// texts; the products chosen, or those the settings switch on when none is chosen.
TDerivedSettings ConversionProducts(const TStationSettings& settings, const TProductChoice& choice);

struct TConversionSummary {
    std::uint64_t LinesRead = 0;
    std::uint64_t LinesRefused = 0;
    std::uint64_t LinesOutsideDays = 0;
    std::uint64_t SamplesConverted = 0;  // the filter's reach beyond the days included
    std::uint64_t SamplesInDays = 0;
    std::uint64_t LinesRepeated = 0;
    std::vector<TRefusedLine> FirstRefusedLines;
    std::vector<std::string> FilesWritten;  // in the order they were started
    std::vector<std::string> Notices;       // what the user should know beside the files
    // Files that could not be read or written, each with the system's reason, each once.
    std::vector<std::string> Failures;
    bool Cancelled = false;
    bool Stopped = false;  // given up after too many failed writes

    bool Succeeded() const { return Failures.empty() && !Cancelled; }
};

// Reports progress (bytes of the archive done, lines read); false cancels the conversion.
using TConversionProgress = std::function<bool(std::uint64_t bytesDone, std::uint64_t lines)>;

// Reads the archive in time order and records every sample through the station's own derived
// writers (filter, INTERMAGNET, IAGA-2002), in the output folder's trees (made when missing). A line that does
// not parse is counted, never fatal. The filter is also fed the seconds it reaches beyond the
// days asked for, so a rebuilt day equals that day of a conversion of the whole archive. A
// product asked for that the settings rules refuse, or no archive line in the days, is a
// failure: the user asked for files and gets none. Write failures are collected; after MaxFailedSamples
// samples could not be written the conversion gives up (an unwritable output folder would
// otherwise fail once per sample of a year).
// Thread rule: runs on the calling thread; the progress callback is called there.
class TArchiveConversion {
public:
    static constexpr std::uint64_t MaxFailedSamples = 1000;
    // Lines between two progress calls.
    static constexpr std::uint64_t ProgressEvery = 16384;

    explicit TArchiveConversion(TConversionJob job) : FJob(std::move(job)) {}

    TConversionSummary Run(const TConversionProgress& progress = {});

private:
    TConversionJob FJob;
};
