#pragma once

#include "acquisition/DateTime.h"
#include "recording/ArchiveFiles.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TArchiveLineReader;

// One parsed archive line.
struct TArchiveSample {
    std::string_view Line;  // valid until the next call of Next
    TDateTime Stamp = 0;
    std::array<double, 5> Values{};
};

// A line the parser refused, for the user: where it is and what it holds.
struct TRefusedLine {
    std::string Path;
    std::uint64_t LineNumber = 0;
    std::string Text;  // printable characters only, cut to a screen's width
};

// The lines of many archive files as one stream in time order. Each file is read in its own
// order; files are opened only when the stream reaches the stamp their names give, so that an
// archive of consecutive files is read like one long file (with one file open at a time) while
// files of runs that overlap (two recorders, a copy from another computer) are merged line by
// line by stamp. Of equal stamps the earlier file's line comes first, and only it: a line
// stamped like the line given before it (a copy of the archive, runs that overlap, an instrument
// sending several lines a second) is left out, so every second is given once.
// Thread rule: used by one thread at a time.
class TArchiveLineSource {
public:
    static constexpr std::size_t RefusedLinesKept = 5;

    // Lines outside the days [fromDay, toDay] (0 for an open end), widened by `secondsBefore`
    // and `secondsAfter`, are skipped, not refused.
    TArchiveLineSource(std::vector<TArchiveFile> files, TDateTime fromDay = 0, TDateTime toDay = 0,
                       std::int64_t secondsBefore = 0, std::int64_t secondsAfter = 0);
    ~TArchiveLineSource();
    TArchiveLineSource(const TArchiveLineSource&) = delete;
    TArchiveLineSource& operator=(const TArchiveLineSource&) = delete;

    // The next line in time order; false when every file is read.
    bool Next(TArchiveSample& sample);

    std::uint64_t LinesRead() const { return FLinesRead; }
    std::uint64_t LinesRefused() const { return FLinesRefused; }
    std::uint64_t LinesOutsideDays() const { return FLinesOutside; }
    // Lines left out because the line given before them had the same stamp.
    std::uint64_t LinesRepeated() const { return FLinesRepeated; }
    // The first RefusedLinesKept refused lines.
    const std::vector<TRefusedLine>& FirstRefusedLines() const { return FFirstRefused; }
    // Files that could not be read, each "path: reason"; their lines read before the failure
    // were taken.
    const std::vector<std::string>& Failures() const { return FFailures; }
    // Bytes of the files consumed so far, for progress.
    std::uint64_t BytesDone() const;

private:
    struct TCursor;

    void OpenNextFile();
    // Reads the cursor's next line in range into its head; closes it at its end or on an error.
    void Advance(std::size_t cursorIndex);
    void Close(std::size_t cursorIndex);
    void Refuse(const TCursor& cursor, std::string_view line);

    std::vector<TArchiveFile> FFiles;
    std::size_t FNextFile = 0;
    TDateTime FFrom, FTo;  // the stamps read: (FFrom, FTo), 0 for an open end
    std::vector<std::unique_ptr<TCursor>> FOpen;
    std::size_t FCurrent = 0;
    bool FAdvancePending = false;
    std::uint64_t FBytesOfClosedFiles = 0;
    std::uint64_t FLinesRead = 0;
    std::uint64_t FLinesRefused = 0;
    std::uint64_t FLinesOutside = 0;
    std::uint64_t FLinesRepeated = 0;
    bool FHasGiven = false;
    TDateTime FLastGiven = 0;
    std::vector<TRefusedLine> FFirstRefused;
    std::vector<std::string> FFailures;
};
