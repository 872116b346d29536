#include "recording/ArchiveLineSource.h"

#include "acquisition/LogicalPacket.h"
#include "recording/ArchiveLineReader.h"

#include <cmath>
#include <exception>

struct TArchiveLineSource::TCursor {
    std::size_t FileIndex = 0;
    std::unique_ptr<TArchiveLineReader> Reader;
    TArchiveSample Head;
};

namespace {

constexpr std::size_t RefusedTextWidth = 70;

std::string PrintableText(std::string_view line) {
    std::string text;
    for (char c : line.substr(0, RefusedTextWidth))
        text += (c >= ' ' && c <= '~') ? c : '?';
    if (line.size() > RefusedTextWidth) text += "...";
    return text;
}

}  // namespace

TArchiveLineSource::TArchiveLineSource(std::vector<TArchiveFile> files, TDateTime fromDay,
                                       TDateTime toDay, std::int64_t secondsBefore,
                                       std::int64_t secondsAfter)
    : FFiles(std::move(files)),
      // Stamps lie on whole seconds: bounds half a second outside decide without rounding doubts.
      FFrom(fromDay == 0 ? 0
                         : fromDay - (static_cast<double>(secondsBefore) + 0.5) / SecondsPerDay),
      FTo(toDay == 0 ? 0
                     : toDay + 1 + (static_cast<double>(secondsAfter) - 0.5) / SecondsPerDay) {}

TArchiveLineSource::~TArchiveLineSource() = default;

std::uint64_t TArchiveLineSource::BytesDone() const {
    std::uint64_t bytes = FBytesOfClosedFiles;
    for (const auto& cursor : FOpen) bytes += cursor->Reader->Position();
    return bytes;
}

void TArchiveLineSource::Refuse(const TCursor& cursor, std::string_view line) {
    ++FLinesRefused;
    if (FFirstRefused.size() < RefusedLinesKept)
        FFirstRefused.push_back(
            {FFiles[cursor.FileIndex].Path, cursor.Reader->LineNumber(), PrintableText(line)});
}

void TArchiveLineSource::Close(std::size_t cursorIndex) {
    FBytesOfClosedFiles += FOpen[cursorIndex]->Reader->Position();
    FOpen.erase(FOpen.begin() + static_cast<std::ptrdiff_t>(cursorIndex));
}

void TArchiveLineSource::Advance(std::size_t cursorIndex) {
    TCursor& cursor = *FOpen[cursorIndex];
    try {
        std::string_view line;
        while (cursor.Reader->NextLine(line)) {
            ++FLinesRead;
            TArchiveSample& head = cursor.Head;
            if (!TryParseInstrumentLine(line, head.Stamp, head.Values)) {
                Refuse(cursor, line);
                continue;
            }
            if ((FFrom != 0 && head.Stamp < FFrom) || (FTo != 0 && head.Stamp > FTo)) {
                ++FLinesOutside;
                continue;
            }
            head.Line = line;
            return;
        }
    } catch (const std::exception& error) {
        FFailures.push_back(FFiles[cursor.FileIndex].Path + ": " + error.what());
    }
    Close(cursorIndex);
}

void TArchiveLineSource::OpenNextFile() {
    const std::size_t fileIndex = FNextFile++;
    auto cursor = std::make_unique<TCursor>();
    cursor->FileIndex = fileIndex;
    try {
        cursor->Reader = std::make_unique<TArchiveLineReader>(FFiles[fileIndex].Path);
    } catch (const std::exception& error) {
        FFailures.push_back(FFiles[fileIndex].Path + ": " + error.what());
        return;
    }
    FOpen.push_back(std::move(cursor));
    Advance(FOpen.size() - 1);
}

bool TArchiveLineSource::Next(TArchiveSample& sample) {
    for (;;) {
        if (FAdvancePending) {
            FAdvancePending = false;
            Advance(FCurrent);
        }
        // The earliest head; of equal stamps, the file opened first (cursors stay in file order).
        std::size_t earliest = 0;
        for (std::size_t i = 1; i < FOpen.size(); ++i)
            if (FOpen[i]->Head.Stamp < FOpen[earliest]->Head.Stamp) earliest = i;
        // A file whose name is not later than that head may hold a line that comes first.
        if (FNextFile < FFiles.size() &&
            (FOpen.empty() || FFiles[FNextFile].NameTime <= FOpen[earliest]->Head.Stamp)) {
            OpenNextFile();
            continue;
        }
        if (FOpen.empty()) return false;
        FCurrent = earliest;
        FAdvancePending = true;
        const TArchiveSample& head = FOpen[earliest]->Head;
        if (FHasGiven && head.Stamp == FLastGiven) {
            ++FLinesRepeated;
            continue;
        }
        sample = head;
        FHasGiven = true;
        FLastGiven = head.Stamp;
        return true;
    }
}
