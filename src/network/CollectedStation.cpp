#include "network/CollectedStation.h"

#include "network/ArchiveFiles.h"
#include "network/ArchiveLine.h"
#include "recording/AtomicFile.h"
#include "network/FileSaver.h"
#include "network/PublishPosition.h"
#include "recording/TextWithTimeDataFile.h"

#include <array>
#include <filesystem>

namespace {

constexpr const char* NoFile = "-";  // a position taken before any line was written
constexpr std::size_t KeptEarlierNumberings = 16;

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder.empty() ? std::string(".") : folder;
}

}  // namespace

TCollectedStation::TCollectedStation(const std::string& outDirectory, const std::string& station,
                                     TLog log, TFileSaver& saver, bool fromNow)
    : FStation(station),
      FFolder(WithoutTrailingSlashes(outDirectory) + "/" + station + "/"),
      FLog(std::move(log)),
      FSaver(saver),
      FFromNow(fromNow),
      FArchive(std::make_unique<TTextWithTimeDataFile>()),
      FDerived(station, FFolder, FLog) {
    FArchive->SetExtension("orv");
    FArchive->SetRootFolder(FFolder);
    FMeta = ReadSmallFile(FFolder + "meta.json");
    if (!FMeta.empty() && FMeta.back() == '\n') FMeta.pop_back();
    const auto saved = ParsePublishPosition(ReadSmallFile(FFolder + PositionFile));
    const auto described = DecodeMeta(FMeta);
    if (!saved) {
        if (described) Describe(*described);
        return;
    }
    FKnown = true;
    FNumbering = saved->Numbering;
    // The archive may hold lines written after the last save (a kill between the two).
    const std::string savedFile = saved->File == NoFile ? saved->File : ArchivePathInStation(saved->File);
    std::uint64_t after = savedFile == NoFile ? 0 : CountLinesFrom(FFolder + savedFile, saved->Offset);
    for (const std::string& file : ListArchiveFiles(FFolder + "ARCHIVE")) {
        const std::string inStation = file.substr(FFolder.size());
        if (savedFile == NoFile || ArchiveOrderLess(savedFile, inStation)) after += CountLinesFrom(file, 0);
    }
    FExpected = FAnnounced = saved->Seq + after;
    if (after > 0 || savedFile != saved->File) FDirty = true;
    FLog(FStation + ": resuming at line " + std::to_string(FExpected), TLogPriority::Info);
    if (described) Describe(*described);
}

TCollectedStation::~TCollectedStation() {
    try {
        SavePosition(true);
        FArchive->Finish();
    } catch (const std::exception& error) {
        FLog(FStation + ": " + error.what(), TLogPriority::Error);
    }
}

void TCollectedStation::LogOnce(std::string& last, const std::string& text, TLogPriority priority) {
    if (text == last) return;
    last = text;
    FLog(FStation + ": " + text, priority);
}

void TCollectedStation::Meet(std::uint64_t from, const std::string& why) {
    FKnown = true;
    FExpected = from;
    FAnnounced = std::max(FAnnounced, from);
    FLog(FStation + ": new station, recording from line " + std::to_string(from) + why, TLogPriority::Notice);
    FDirty = true;
    SaveNow();
}

// A numbering the collector has not seen: the station numbers its lines anew (reinstalled, or
// its position file was lost), and its archive goes on with the new numbering's lines.
bool TCollectedStation::FollowNumbering(const std::string& numbering, std::uint64_t from) {
    if (numbering.empty() || numbering == FNumbering) return true;
    if (FEarlierNumberings.count(numbering) > 0) return false;
    if (FNumbering.empty()) {
        // Met before its numbering had a name (an earlier version on either side): the same one.
        FNumbering = numbering;
        FDirty = true;
        return true;
    }
    if (FEarlierNumberings.size() >= KeptEarlierNumberings) FEarlierNumberings.clear();
    FEarlierNumberings.insert(FNumbering);
    FLog(FStation + ": the station numbers its lines anew (numbering " + numbering + ", was " + FNumbering +
             "); its archive goes on from line " + std::to_string(from) + " of the new numbering",
         TLogPriority::Warning);
    FNumbering = numbering;
    FExpected = FAnnounced = from;
    FGapFrom.reset();
    FRecent.clear();
    FDirty = true;
    SaveNow();
    return true;
}

std::optional<std::uint64_t> TCollectedStation::StatusSeen(const TStationStatus& status) {
    if (status.State.empty()) return std::nullopt;
    if (status.State != FState) {
        FState = status.State;
        FLog(FStation + ": " + FState, TLogPriority::Notice);
    }
    if (status.State != "online") return std::nullopt;
    if (const auto& progress = status.Progress) {
        const std::uint64_t from = FFromNow ? progress->Next : progress->Oldest;
        if (!FKnown) {
            FNumbering = progress->Numbering;
            Meet(from, FFromNow ? "" : " (the oldest line it still has)");
        } else if (!FollowNumbering(progress->Numbering, from)) {
            return std::nullopt;
        }
        FAnnounced = std::max(FAnnounced, progress->Next);
    } else if (!FKnown && !FFromNow) {
        // A station of an earlier version says nothing of its lines: ask for all of them.
        Meet(0, "");
    }
    // Asked even when the status says nothing is missing (a retained status tells how far the
    // station had gone when it connected, not how far it is now), but no more often than a gap
    // is: a peer repeating statuses must not make the collector flood the station.
    if (!FKnown) return std::nullopt;
    return AskAgain();
}

std::optional<std::uint64_t> TCollectedStation::ResendDue(bool always) {
    if (!FKnown) return std::nullopt;
    const auto now = std::chrono::steady_clock::now();
    if (!always && ((!FGapFrom && !FWriteFailing && FAnnounced <= FExpected) || now - FAskedAt < ResendInterval))
        return std::nullopt;
    FAskedAt = now;
    return FExpected;
}

std::optional<std::uint64_t> TCollectedStation::AskAgain() {
    const auto now = std::chrono::steady_clock::now();
    if (now - FAskedAt < ResendInterval) return std::nullopt;
    FAskedAt = now;
    return FExpected;
}

bool TCollectedStation::Contradicts(const TLinesBatch& batch) {
    if (batch.Skip > 0 || FRecent.empty() || batch.Seq >= FExpected) return false;
    const std::uint64_t first = std::max(batch.Seq, FRecent.front().first);
    const std::uint64_t end = std::min(FExpected, FRecent.front().first + FRecent.size());
    for (std::uint64_t seq = first; seq < end && seq - batch.Seq < batch.Lines.size(); ++seq)
        if (FRecent[seq - FRecent.front().first].second != batch.Lines[seq - batch.Seq]) {
            LogOnce(FRefusal,
                    "line " + std::to_string(seq) +
                        " received differs from the line recorded under that number; the batch is refused "
                        "(is another client writing the station's topics?)",
                    TLogPriority::Error);
            return true;
        }
    return false;
}

std::optional<std::uint64_t> TCollectedStation::Take(const TLinesBatch& batch) {
    if (!FKnown) {
        // With a status the station says which lines it has; without, every line is asked for.
        FNumbering = batch.Numbering;
        Meet(FFromNow ? batch.Seq : 0, "");
    }
    if (!FollowNumbering(batch.Numbering, FFromNow ? batch.Seq : 0)) return std::nullopt;
    const std::uint64_t count = batch.Skip > 0 ? batch.Skip : batch.Lines.size();
    const std::uint64_t end = batch.Seq + count;
    if (batch.Skip > 0 && end > FAnnounced) {
        // A station tells of lines gone only among those it has had.
        LogOnce(FRefusal,
                "a notice that lines " + std::to_string(batch.Seq) + " to " + std::to_string(end - 1) +
                    " are gone was refused: the station has announced lines up to " +
                    (FAnnounced > 0 ? std::to_string(FAnnounced - 1) : std::string("none")) + " only",
                TLogPriority::Error);
        return std::nullopt;
    }
    if (batch.Skip == 0) FAnnounced = std::max(FAnnounced, end);
    if (Contradicts(batch)) return std::nullopt;
    if (end <= FExpected) return std::nullopt;  // a duplicate
    if (batch.Seq > FExpected) {
        if (FGapFrom != FExpected) {
            FGapFrom = FExpected;
            FLog(FStation + ": lines " + std::to_string(FExpected) + " to " +
                 std::to_string(batch.Seq - 1) + " missing; asking the station to send them again",
                 TLogPriority::Warning);
            FAskedAt = {};
        }
        return AskAgain();
    }
    if (FGapFrom) {
        FLog(FStation + ": lines from " + std::to_string(*FGapFrom) + " on received again, gap closed",
             TLogPriority::Notice);
        FGapFrom.reset();
    }
    if (batch.Skip > 0) {
        FLog(FStation + ": lines " + std::to_string(FExpected) + " to " + std::to_string(end - 1) +
             " are no longer in the station's archive: lost",
             TLogPriority::Error);
        FExpected = end;
        FRecent.clear();
        FDirty = true;
        return std::nullopt;
    }
    for (std::size_t index = static_cast<std::size_t>(FExpected - batch.Seq); index < batch.Lines.size(); ++index) {
        if (!WriteLine(batch.Lines[index])) break;
        FRecent.emplace_back(FExpected, batch.Lines[index]);
        if (FRecent.size() > RecentLines) FRecent.pop_front();
        ++FExpected;
        FDirty = true;
    }
    return FWriteFailing ? AskAgain() : std::nullopt;
}

bool TCollectedStation::WriteLine(const std::string& line) {
    TDateTime stamp = 0;
    std::array<double, 5> values{};
    const std::string fault = ArchiveLineFault(line, stamp, values);
    if (!fault.empty()) {
        // Not written and not counted: the station's archive holds no such line.
        LogOnce(FRefusal,
                "line " + std::to_string(FExpected) + " is not an archive line (" + fault +
                    "); the rest of its batch is refused",
                TLogPriority::Error);
        return false;
    }
    try {
        FArchive->WriteDateFile(line, stamp);
    } catch (const std::exception& error) {
        // Not taken: the line is asked for again until the archive takes it.
        FWriteFailing = true;
        const std::string failure = std::string("archive: ") + error.what();
        if (failure != FFailure)
            FLog(FStation + ": " + (FFailure = failure) + "; asking for the lines again from line " +
                     std::to_string(FExpected),
                 TLogPriority::Error);
        return false;
    }
    ++FLinesRecorded;
    if (FWriteFailing) FLog(FStation + ": archive written again", TLogPriority::Notice);
    FWriteFailing = false;
    FFailure.clear();
    FDerived.Record(FExpected, values, stamp);
    return true;
}

void TCollectedStation::Describe(const TStationMeta& meta) {
    // A description from an older station names no line: it holds from the next one.
    FDerived.Describe(meta, meta.FromSeq.value_or(FExpected));
}

void TCollectedStation::MetaSeen(const std::string& payload) {
    const std::size_t hash = std::hash<std::string>{}(payload);
    if (payload == FMeta || hash == FIgnoredMeta) return;
    const std::optional<TStationMeta> meta = DecodeMeta(payload);
    if (!meta) {
        FIgnoredMeta = hash;
        FLog(FStation + ": a meta message that is not a station description was ignored",
             TLogPriority::Warning);
        return;
    }
    FMeta = payload;
    Describe(*meta);
    FSaver.Save(FFolder + "meta.json", payload + "\n");
    FLog(FStation + ": description received", TLogPriority::Info);
}

void TCollectedStation::SavePosition(bool force) {
    if (!FDirty) return;
    if (!force && std::chrono::steady_clock::now() - FSavedAt < PositionSaveInterval) return;
    SaveNow();
}

void TCollectedStation::SaveNow() {
    TPublishPosition position;
    position.Seq = FExpected;
    position.Numbering = FNumbering;
    if (FArchive->Opened() || !FArchive->BaseName().empty()) {
        position.File = ArchivePathInStation(FArchive->GetFileName());
        // The writer writes whole lines, so the file's size is where the next one starts.
        std::error_code error;
        const auto size = std::filesystem::file_size(FArchive->GetFileName(), error);
        position.Offset = error ? 0 : size;
    } else {
        position.File = NoFile;
    }
    FSaver.Save(FFolder + PositionFile, FormatPublishPosition(position));
    FDirty = false;
    FSavedAt = std::chrono::steady_clock::now();
}
