#pragma once
// An IAGA-2002 writer: one file per UTC day of one-second records (the samples themselves) or
// of one-minute records (the run's filter outputs that fall on whole minutes), in
// IAGA2002/yyyy/mm/<code><yyyymmdd>v<sec|min>.<sec|min>, the code in lower case.
//
// A record sits on the line of its time: a day file starts at 00:00:00, skipped records are
// written as missing, and when the day changes the file is completed to its last record, so a
// complete day has 86,400 or 1,440 data lines. At a stop the file is left as it is. A later
// writer on the same day continues the day file after its last record when the file is the
// station's own (the very head this writer would write, whole lines, its last line on its
// position) and that record is before the new one; otherwise it starts a fragment file named
// by its first record (<code><yyyymmddhhnn>vmin.min, <code><yyyymmddhhnnss>vsec.sec, "_0",
// "_1", ... when taken), which starts at that record. Files are created exclusively, so no
// file, the writer's own or another's, is ever truncated or overwritten. A record that is not
// after the last one written (a later sample of the same second, a clock gone back) is not
// written.

#include "recording/Filter.h"
#include "recording/IagaFormat.h"
#include "settings/IagaHeader.h"
#include "recording/TextWithTimeDataFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Thread rule: an object is used by one thread only (the one that records the samples).
class TIagaDataFile : public TTextWithTimeDataFile {
public:
    static constexpr std::int32_t SecondInterval = 1;
    static constexpr std::int32_t MinuteInterval = 60;

    // `interval` is SecondInterval or MinuteInterval; `code` the IAGA code (three letters or
    // digits, checked by the caller with CheckIagaHeader); `comments` the comment texts;
    // `coefficients` the number of the filter's coefficients, which the minute files name.
    TIagaDataFile(std::int32_t interval, const std::string& code, const TIagaHeader& header,
                  const std::vector<std::string>& comments, std::size_t coefficients = 0);
    // Closes quietly, leaving the file as it is.
    ~TIagaDataFile() override = default;

    // Second files: the record of the sample's second (Bx, By, Bz = values 0 to 2), when it is
    // the first sample after the last record written.
    void WriteSample(std::span<const double> values, TDateTime time);
    // Minute files: the record of the output's minute, when the output falls on a whole minute
    // (its stamp rounded to the second) after the last record written.
    void WriteFilterOutput(const TFilterValue& output);
    // Both raise EBasicException (TIagaDataFile/WriteRecord) whose message is the file's path,
    // ": " and the system's reason. A failed write leaves the file open and continues at the
    // next record's own line; a failed open leaves the writer closed (the next record tries
    // again); a day that cannot be completed is closed anyway, so the new day gets its file.

    // Closes the file as it stands (TIagaDataFile/Finish with the path on failure).
    void Finish() override;

    std::int32_t Interval() const { return FInterval; }
    std::int32_t RecordsPerDay() const { return 86400 / FInterval; }
    // The header, comment and column lines every file of this writer starts with.
    const std::string& Head() const { return FHead; }
    // "sec" or "min".
    const char* Kind() const { return FInterval == MinuteInterval ? "min" : "sec"; }

    // Prefix of the IAGA2002/ tree: "" (the working directory) or a folder ending with "/".
    void SetBaseDirectory(const std::string& directory) { FBaseDirectory = directory; }

private:
    void WriteRecord(std::int64_t day, std::int32_t slot, std::span<const double> values);
    void OpenFor(std::int64_t day, std::int32_t slot);
    void StartNewFile(std::int64_t day, std::int32_t firstSlot);
    void ContinueFile(std::int64_t day, std::int32_t nextSlot);
    void WriteMissingUpTo(std::int32_t slot);
    // The last record's line index of the station's own day file at that path, -1 for a head
    // without records; nothing when the file is not one this writer would continue.
    std::optional<std::int32_t> OwnLastSlot(const std::string& path, std::int64_t day) const;
    std::string FileText() const;

    std::int32_t FInterval;
    std::string FCode;  // lower case, for the names
    std::string FBaseDirectory;
    std::string FHead;
    std::int64_t FFileDay = 0;
    TIagaDate FDate;
    std::int32_t FNextSlot = 0;  // the line index of the file's next record
    bool FHasLast = false;
    std::int64_t FLastDay = 0;
    std::int32_t FLastSlot = 0;
    std::string FLine;   // reused for each record
    std::string FBatch;  // reused for runs of missing records
};
