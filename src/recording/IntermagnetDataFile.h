#pragma once
// The INTERMAGNET writer: passes Bx, By, Bz through the decimation filter and writes one
// IMFV1.22 record whenever the filter's output falls on an interval mark, in hour blocks of a
// header line and two records per line, one file per day:
// BaseDirectory + "INTERMAGNET/yyyy/mm/MMMDDYY." + Extension (the IDC, set by the creator).
//
// Every record sits at its own position in its hour: slot = (seconds of the day mod 3600) div
// Interval. Skipped slots are filled with missing records, every block is completed up to its
// last slot before the next header, before a day change closes the file and at Finish, and an
// hour without records between two blocks of a file gets a block of missing records. A record
// that is not after the last record written (the clock went back, also to the day before, or a
// repeated stamp) is dropped.
//
// The header's COLA and LONG are written zero-padded to four digits and DECBAS to six, so that
// every header keeps its fixed columns; the texts must be checked before (digits only, see
// the parameters dialog), the writer only pads them.

#include "recording/TextWithTimeDataFile.h"

#include <cstdint>
#include <span>
#include <string>

// Thread rule: an object is used by one thread only (the one that records the samples); it
// shares the process-wide filter (Filter.h) with nobody else.
class TIntermagnetDataFile : public TTextWithTimeDataFile {
public:
    // `interval` in seconds (60 for minute values, 5 for five-second values) must divide half an
    // hour, so that every block ends with a whole line. The texts are cut to 3, 4, 3, 4, 4 and 6
    // characters (not bytes), as the settings cut them.
    TIntermagnetDataFile(std::int32_t interval, const std::string& idc, const std::string& comp,
                         const std::string& gin, const std::string& cola, const std::string& lon,
                         const std::string& decbas);
    // Completes the block and closes quietly; a failure goes to the notifier. Call Finish first
    // to hear about it.
    ~TIntermagnetDataFile() override;

    // Feeds one sample (at least three values; Bx, By, Bz are filtered and written) and writes
    // at most one record. `line` receives the record written, or is empty when none was.
    // Failures: EBasicException (TIntermagnetDataFile/WriteDataFileT) with the innermost message.
    // A failed open leaves the writer closed (the next record on a mark tries a fresh name); a
    // failed write leaves the file open, LastTime, LineState and LineCount as they were, and the
    // next record continues at its own position. A day's file that cannot be completed is
    // closed anyway, so that the new day still gets its file.
    void WriteDataFileT(std::span<const double> values, TDateTime time, std::string& line);

    // Completes the current block, then writes the header for the hour of `time` and the missing
    // records before `time` in that hour.
    void WriteHeader(TDateTime time);
    // Writes `count` missing records at the next positions of the current block.
    void WriteMissing(std::int32_t count);
    // Completes the current block and closes the file; raises a failure
    // (TIntermagnetDataFile/Finish) after closing anyway.
    void Finish() override;

    // 1 .. 366.
    static int DayOfYear(TDateTime time);
    // The block header for the hour of `time`, without line end.
    std::string HeaderLine(TDateTime time) const;
    // "%7d %7d %7d 999999" in tenths of nT, halves to even; a value outside -99999.9 ..
    // 999999.8 nT (or not a number) is written as the missing 9999999, so a record is always
    // 30 characters.
    static std::string DataRecord(double x, double y, double z);

    std::int32_t Interval() const { return FInterval; }
    std::int32_t RecordsPerHour() const { return 3600 / FInterval; }
    // 0 = file just opened, 1 = at the start of a line, 2 = one record on the current line.
    std::int32_t LineState() const { return FLineState; }
    const std::string& IDC() const { return FIDC; }
    const std::string& COMP() const { return FCOMP; }
    const std::string& GIN() const { return FGIN; }
    const std::string& COLA() const { return FCOLA; }
    const std::string& LONG() const { return FLONG; }
    const std::string& DECBAS() const { return FDECBAS; }
    const std::string& BaseDirectory() const { return FBaseDirectory; }
    // A prefix for the INTERMAGNET tree, ending with "/" (empty: the working directory).
    void SetBaseDirectory(const std::string& directory) { FBaseDirectory = directory; }

private:
    void CompleteBlock();
    void WriteOnLine(const std::string& record);
    void OpenDayFile(TDateTime recordTime, std::int64_t day);

    std::int32_t FInterval;
    std::int32_t FLineState = 0;
    std::string FIDC, FCOMP, FGIN, FCOLA, FLONG, FDECBAS;
    std::string FBaseDirectory;

    // The day of the open file and the hour block being written in it.
    std::int64_t FFileDay = 0;
    bool FBlockOpen = false;
    std::int32_t FBlockHour = 0;
    std::int32_t FNextSlot = 0;  // positions of the block already written, data or missing

    // The last record written in this run, whichever file it went to.
    bool FHasRecord = false;
    std::int64_t FLastRecordDay = 0;
    std::int32_t FLastRecordSeconds = 0;
};

// The missing record of IMFV1.22.
extern const std::string IntermagnetMissingRecord;
