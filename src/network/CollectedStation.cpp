#include "network/CollectedStation.h"

#include "acquisition/LogicalPacket.h"
#include "network/ArchiveFiles.h"
#include "recording/AtomicFile.h"
#include "network/FileSaver.h"
#include "network/PublishPosition.h"
#include "recording/TextWithTimeDataFile.h"

#include <array>
#include <filesystem>

namespace {

constexpr const char* PositionName = "collected.position";
constexpr const char* NoFile = "-";  // a position taken before any line was written

}  // namespace

TCollectedStation::TCollectedStation(const std::string& outDirectory, const std::string& station,
                                     TLog log, TFileSaver& saver)
    : FStation(station),
      FFolder((outDirectory.empty() ? std::string(".") : outDirectory) + "/" + station + "/"),
      FLog(std::move(log)),
      FSaver(saver),
      FArchive(std::make_unique<TTextWithTimeDataFile>()),
      FDerived(station, FFolder, FLog) {
    FArchive->SetExtension("orv");
    FArchive->SetRootFolder(FFolder);
    FMeta = ReadSmallFile(FFolder + "meta.json");
    if (!FMeta.empty() && FMeta.back() == '\n') FMeta.pop_back();
    const auto saved = ParsePublishPosition(ReadSmallFile(FFolder + PositionName));
    const auto described = DecodeMeta(FMeta);
    if (!saved) {
        if (described) Describe(*described);
        return;
    }
    FKnown = true;
    // The archive may hold lines written after the last save (a kill between the two).
    std::uint64_t after = saved->File == NoFile ? 0 : CountLinesFrom(saved->File, saved->Offset);
    for (const std::string& file : ListArchiveFiles(FFolder + "ARCHIVE"))
        if (saved->File == NoFile || ArchiveOrderLess(saved->File, file)) after += CountLinesFrom(file, 0);
    FExpected = saved->Seq + after;
    if (after > 0) FDirty = true;
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

std::optional<std::uint64_t> TCollectedStation::Take(const TLinesBatch& batch) {
    if (!FKnown) {
        // A station seen for the first time is recorded from here on.
        FKnown = true;
        FExpected = batch.Seq;
        FLog(FStation + ": new station, recording from line " + std::to_string(FExpected),
             TLogPriority::Notice);
        FDirty = true;
        SaveNow();
    }
    const std::uint64_t count = batch.Skip > 0 ? batch.Skip : batch.Lines.size();
    const std::uint64_t end = batch.Seq + count;
    if (end <= FExpected) return std::nullopt;  // a duplicate
    if (batch.Seq > FExpected) {
        const auto now = std::chrono::steady_clock::now();
        if (FGapFrom != FExpected) {
            FGapFrom = FExpected;
            FLog(FStation + ": lines " + std::to_string(FExpected) + " to " +
                 std::to_string(batch.Seq - 1) + " missing; asking the station to send them again",
                 TLogPriority::Warning);
        } else if (now - FAskedAt < ResendInterval) {
            return std::nullopt;
        }
        FAskedAt = now;
        return FExpected;
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
        FDirty = true;
        return std::nullopt;
    }
    for (std::size_t index = static_cast<std::size_t>(FExpected - batch.Seq); index < batch.Lines.size(); ++index) {
        WriteLine(batch.Lines[index], FExpected);
        ++FExpected;
    }
    FDirty = true;
    return std::nullopt;
}

void TCollectedStation::WriteLine(const std::string& line, std::uint64_t seq) {
    TDateTime stamp = 0;
    std::array<double, 5> values{};
    std::string failure;
    if (!TryParseInstrumentLine(line, stamp, values)) {
        failure = "a line that is not an instrument line was skipped: " + line;
    } else {
        try {
            FArchive->WriteDateFile(line, stamp);
            ++FLinesRecorded;
        } catch (const std::exception& error) {
            failure = std::string("archive: ") + error.what();
        }
        // Made from the line, as the station makes them, whatever became of the archive's copy.
        FDerived.Record(seq, values, stamp);
    }
    if (failure.empty()) {
        if (!FFailure.empty()) FLog(FStation + ": archive written again", TLogPriority::Notice);
        FFailure.clear();
    } else if (failure != FFailure) {
        FFailure = failure;
        FLog(FStation + ": " + failure, TLogPriority::Error);
    }
}

void TCollectedStation::StatusSeen(const std::string& state) {
    if (state.empty() || state == FState) return;
    FState = state;
    FLog(FStation + ": " + state, TLogPriority::Notice);
}

void TCollectedStation::Describe(const TStationMeta& meta) {
    // A description from an older station names no line: it holds from the next one.
    FDerived.Describe(meta, meta.FromSeq.value_or(FExpected));
}

void TCollectedStation::MetaSeen(const std::string& payload) {
    if (payload == FMeta || payload == FIgnoredMeta) return;
    const std::optional<TStationMeta> meta = DecodeMeta(payload);
    if (!meta) {
        FIgnoredMeta = payload;
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
    if (FArchive->Opened() || !FArchive->BaseName().empty()) {
        position.File = FArchive->GetFileName();
        // The writer writes whole lines, so the file's size is where the next one starts.
        std::error_code error;
        const auto size = std::filesystem::file_size(position.File, error);
        position.Offset = error ? 0 : size;
    } else {
        position.File = NoFile;
    }
    FSaver.Save(FFolder + PositionName, FormatPublishPosition(position));
    FDirty = false;
    FSavedAt = std::chrono::steady_clock::now();
}
