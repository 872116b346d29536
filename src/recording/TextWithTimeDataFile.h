#pragma once
// The daily archive writer: records one received line per packet in
// ARCHIVE/yyyy/mm/YYYYMMDDHHNNSS.<Extension>, named after the first packet of the file, and
// starts a new file whenever the packets' calendar day changes.

#include "recording/TextDataFile.h"

#include <cstdint>
#include <string>

// Lines (or records) after which a file is closed and reopened for appending.
constexpr std::int32_t ReopenLimit = 800;

// Thread rule: an object is used by one thread only (the one that records the samples).
class TTextWithTimeDataFile : public TTextDataFile {
public:
    TTextWithTimeDataFile() = default;

    // Records `line` stamped `time`, opening, rolling over or reopening the file as needed.
    // Every failure is raised as EBasicException (TTextDateFile/WriteDateFile) with the
    // innermost message. A failed open leaves the writer closed (the next call tries a fresh
    // name); a failed write leaves the file open and LastTime and LineCount unchanged. A failed
    // reopen after line 801 is no failure of that line, which is written: it is reported through
    // the notifier and leaves the writer closed (the next call starts a new file). A file
    // removed while open (by hand, or with its directory) is reported and closed, and the line
    // goes to a new file.
    void WriteDateFile(const std::string& line, TDateTime time);

    // Closes the current file, if any, raising a failure (TTextDateFile/Finish). For the stop
    // sequence, which wants to hear about it; destruction closes quietly.
    virtual void Finish();

    TDateTime LastTime() const { return FLastTime; }
    std::int32_t LineCount() const { return FLineCount; }
    const std::string& DateFormat() const { return FDateFormat; }
    void SetDateFormat(const std::string& format) { FDateFormat = format; }

protected:
    // When the open file has been removed, reports it through the notifier and closes it, so
    // that the next write makes a new one (directories included) instead of writing nowhere.
    void CloseIfRemoved();
    // Closes after every ReopenLimit + 1 lines and reopens for appending; a failed reopen is
    // reported, not raised, and leaves the writer closed.
    void CountLineAndReopen();

    TDateTime FLastTime = 0;
    std::int32_t FLineCount = 0;

private:
    std::string FDateFormat = "YYYYMMDDHHNNSS";
};

// True when two stamps lie on different calendar days (compared after rounding to the
// millisecond, as their names are formatted).
bool OnDifferentDays(TDateTime a, TDateTime b);
