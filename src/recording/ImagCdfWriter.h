#pragma once
// An ImagCDF writer: one file per UTC day of one-second records (the samples themselves) or of
// one-minute records (the filter's outputs on whole minutes), in ImagCDF/yyyy/mm/ under the base
// folder, named as the format names day files (ImagCdfFileName). The values are those the
// IAGA-2002 files hold (hundredths of nT), a missing record the fill value.
//
// A CDF file cannot grow line by line, so the day's values are kept as the run goes and the file
// is written whole when the day is over, atomically (a temporary name in the same folder, then a
// rename). A live run keeps the day's values on disk as well, in a spool beside the files
// (<name>.spool, 24 bytes a record, written as each record comes): at a stop the day so far is
// written as <name>.partial, and a later run on the same day continues from the spool, so the
// day file it completes holds both runs and replaces the partial one. A complete day file is
// never overwritten: a second one of the same day is named <name without .cdf>_0.cdf, _1, ...
// A record that is not after the last one written (a later sample of the same second, a clock
// gone back) is not written.

#include "acquisition/DateTime.h"
#include "recording/Filter.h"
#include "recording/ImagCdfDay.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Thread rule: an object is used by one thread only (the one that records the samples).
class TImagCdfWriter {
public:
    static constexpr std::int32_t SecondInterval = 1;
    static constexpr std::int32_t MinuteInterval = 60;

    TImagCdfWriter(std::int32_t interval, const TImagCdfHeader& header);
    // Leaves the day unwritten (its spool stays for the next run): Finish writes it.
    ~TImagCdfWriter();
    TImagCdfWriter(const TImagCdfWriter&) = delete;
    TImagCdfWriter& operator=(const TImagCdfWriter&) = delete;

    // The folder the ImagCDF/ tree goes in, ending with "/" ("" is the working directory).
    void SetBaseDirectory(const std::string& directory) { FBaseDirectory = directory; }
    // Live runs keep each record on disk as it comes (see above); batch work (the converter)
    // keeps the day in memory only and writes each day once.
    void SetSpooled(bool spooled) { FSpooled = spooled; }

    // Second files: the record of the sample's second (values 0 to 2).
    void WriteSample(std::span<const double> values, TDateTime time);
    // Minute files: the record of the output's minute, when the output falls on a whole minute.
    void WriteFilterOutput(const TFilterValue& output);
    // Both raise EBasicException (TImagCdfWriter) whose message names the file and the system's
    // reason when a day file or the spool cannot be written; the record is kept in memory and the
    // next day is started anyway.

    // Writes the day so far: as its day file when it is complete, else as <name>.partial.
    void Finish();

    // Told the path of each day file (or partial day) written.
    std::function<void(const std::string& path)> OnWritten;

    std::int32_t Interval() const { return FInterval; }
    std::int32_t RecordsPerDay() const { return 86400 / FInterval; }
    // The day file last written or being filled, relative to the base folder; empty before the
    // first record.
    const std::string& FileName() const { return FFileName; }

private:
    void WriteRecord(std::int64_t day, std::int32_t slot, std::span<const double> values);
    void StartDay(std::int64_t day);
    void WriteDay(bool complete);
    void SpoolRecord(std::int32_t slot);
    std::string Folder(std::int64_t day) const;

    std::int32_t FInterval;
    TImagCdfHeader FHeader;
    std::string FBaseDirectory;
    bool FSpooled = false;

    bool FHasDay = false;
    std::int64_t FDay = 0;
    std::int32_t FLastSlot = -1;
    std::vector<std::array<double, 3>> FValues;
    std::string FFileName;   // relative to the base folder
    std::string FSpoolPath;  // empty when not spooled
};
