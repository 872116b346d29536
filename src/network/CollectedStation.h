#pragma once
// One station as a collector records it: its archive, written with the station's own archive
// writer under OUT/<station>/, how far that archive goes in the station's numbering, and the
// INTERMAGNET and IAGA-2002 files its description asks for (TCollectedDerivedFiles).
//
// Lines are taken in sequence only: a batch overlapping what is recorded gives its new lines,
// a batch entirely recorded is a duplicate (QoS 1 allows them), and a batch beyond the next
// expected line shows a gap, which is logged once and asked for again from the station. The
// position (OUT/<station>/collected.position) is saved every few seconds, by the collector's
// file saver, off the event loop; after a restart, SIGKILL included, the lines the archive holds
// beyond it are counted, so nothing is lost or written twice.
//
// Thread rule: used by one thread (the collector's event loop).

#include "network/CollectedDerivedFiles.h"
#include "network/Payloads.h"

#include <chrono>
#include <cstdint>
#include "network/CollectorLog.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class TFileSaver;
class TTextWithTimeDataFile;

class TCollectedStation {
public:
    using TLog = TCollectorLog;
    static constexpr auto ResendInterval = std::chrono::seconds(2);
    // Saving is what costs (a flushed file per station); the archive itself tells a restarted
    // collector how far it got beyond the saved position, so saving seldom loses nothing.
    static constexpr auto PositionSaveInterval = std::chrono::seconds(5);

    // Reads the position and counts the archive beyond it; the description kept beside the
    // archive holds for the lines to come until the station's own arrives.
    TCollectedStation(const std::string& outDirectory, const std::string& station, TLog log,
                      TFileSaver& saver);
    // Hands the position to the saver and closes the archive and the derived files.
    ~TCollectedStation();
    TCollectedStation(const TCollectedStation&) = delete;
    TCollectedStation& operator=(const TCollectedStation&) = delete;

    // Records what is new in `batch`. Returns the line to ask the station to resend from when
    // there is a gap (at most once per ResendInterval).
    std::optional<std::uint64_t> Take(const TLinesBatch& batch);
    // "online" / "offline" from the station's status; logs changes.
    void StatusSeen(const std::string& state);
    // Keeps the station's description beside its archive (meta.json) when it changed; the
    // derived files follow it from the line it names. A payload that is no description is
    // logged once and ignored.
    void MetaSeen(const std::string& payload);

    // Hands the position to the saver when lines were recorded since the last save and `force`
    // or PositionSaveInterval has passed.
    void SavePosition(bool force);

    bool Known() const { return FKnown; }
    std::uint64_t Expected() const { return FExpected; }
    std::uint64_t LinesRecorded() const { return FLinesRecorded; }

private:
    void WriteLine(const std::string& line, std::uint64_t seq);
    void Describe(const TStationMeta& meta);
    void SaveNow();

    std::string FStation;
    std::string FFolder;  // OUT/<station>/
    TLog FLog;
    TFileSaver& FSaver;
    std::unique_ptr<TTextWithTimeDataFile> FArchive;
    TCollectedDerivedFiles FDerived;
    bool FKnown = false;       // a position exists (saved, or set by the first batch)
    std::uint64_t FExpected = 0;
    std::uint64_t FLinesRecorded = 0;
    bool FDirty = false;
    std::chrono::steady_clock::time_point FSavedAt{};
    std::optional<std::uint64_t> FGapFrom;  // the gap being logged and asked for
    std::chrono::steady_clock::time_point FAskedAt{};
    std::string FState;
    std::string FMeta;  // the latest description received, as sent
    std::string FIgnoredMeta;  // the latest payload that was no description, logged once
    std::string FFailure;  // the write failure last logged
};
