#pragma once
// One station as a collector records it: its archive, written with the station's own archive
// writer under OUT/<station>/, how far that archive goes in the station's numbering, and the
// INTERMAGNET and IAGA-2002 files its description asks for (TCollectedDerivedFiles).
//
// Lines are taken in sequence only: a batch overlapping what is recorded gives its new lines,
// a batch entirely recorded is a duplicate (QoS 1 allows them), and a batch beyond the next
// expected line shows a gap, which is logged once and asked for again from the station. A line
// counts as taken only once it is in the archive: after a failed write the collector stays at
// that line and asks for it again until writing works. The position
// (OUT/<station>/collected.position, naming files relative to the station's folder) is saved
// every few seconds, by the collector's file saver, off the event loop; after a restart,
// SIGKILL included, the lines the archive holds beyond it are counted, so nothing is lost or
// written twice.
//
// What a peer sends is checked against what the station can have said: only archive lines are
// written, a notice that lines are gone is honoured only up to the newest line the station
// has announced, and overlapping lines that differ from those recorded are refused (someone
// else writing the station's topics shows up in the log instead of replacing its lines).
//
// Thread rule: used by one thread (the collector's event loop).

#include "network/CollectedDerivedFiles.h"
#include "network/Payloads.h"

#include <chrono>
#include <cstdint>
#include "network/CollectorLog.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

class TFileSaver;
class TTextWithTimeDataFile;

class TCollectedStation {
public:
    using TLog = TCollectorLog;
    static constexpr auto ResendInterval = std::chrono::seconds(2);
    // Saving is what costs (a flushed file per station); the archive itself tells a restarted
    // collector how far it got beyond the saved position, so saving seldom loses nothing.
    static constexpr auto PositionSaveInterval = std::chrono::seconds(5);
    // Recorded lines kept to compare with overlapping batches (a station's 16 batches in flight).
    static constexpr std::size_t RecentLines = 4000;
    // Beside the station's archive: how far it goes in the station's numbering.
    static constexpr const char* PositionFile = "collected.position";

    // Reads the position and counts the archive beyond it; the description kept beside the
    // archive holds for the lines to come until the station's own arrives. A station new to
    // this collector is recorded from the oldest line it still has, or with `fromNow` from
    // the first line it sends.
    TCollectedStation(const std::string& outDirectory, const std::string& station, TLog log,
                      TFileSaver& saver, bool fromNow = false);
    // Hands the position to the saver and closes the archive and the derived files.
    ~TCollectedStation();
    TCollectedStation(const TCollectedStation&) = delete;
    TCollectedStation& operator=(const TCollectedStation&) = delete;

    // Records what is new in `batch`. Returns the line to ask the station to resend from when
    // lines are missing (at most once per ResendInterval).
    std::optional<std::uint64_t> Take(const TLinesBatch& batch);
    // The station's status: logs changes of its state; returns the line to ask for when the
    // station says it is online and has lines this collector lacks.
    std::optional<std::uint64_t> StatusSeen(const TStationStatus& status);
    // The line to ask for again now: while lines are missing or a write failed, once per
    // ResendInterval; with `always` (the collector's subscription was just made) for every
    // station it knows.
    std::optional<std::uint64_t> ResendDue(bool always);
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
    void Meet(std::uint64_t from, const std::string& why);
    bool FollowNumbering(const std::string& numbering, std::uint64_t from);
    bool Contradicts(const TLinesBatch& batch);
    bool WriteLine(const std::string& line);
    std::optional<std::uint64_t> AskAgain();
    void Describe(const TStationMeta& meta);
    void SaveNow();
    void LogOnce(std::string& last, const std::string& text, TLogPriority priority);

    std::string FStation;
    std::string FFolder;  // OUT/<station>/
    TLog FLog;
    TFileSaver& FSaver;
    bool FFromNow;
    std::unique_ptr<TTextWithTimeDataFile> FArchive;
    TCollectedDerivedFiles FDerived;
    bool FKnown = false;       // a position exists (saved, or set by the first contact)
    std::uint64_t FExpected = 0;
    std::uint64_t FAnnounced = 0;  // the station has said it has lines up to here (exclusive)
    std::string FNumbering;        // the identity of the station's numbering, empty: unknown
    std::set<std::string> FEarlierNumberings;  // their lines are recorded already
    std::deque<std::pair<std::uint64_t, std::string>> FRecent;  // the last lines written
    std::uint64_t FLinesRecorded = 0;
    bool FDirty = false;
    std::chrono::steady_clock::time_point FSavedAt{};
    std::optional<std::uint64_t> FGapFrom;  // the gap being logged and asked for
    bool FWriteFailing = false;
    std::chrono::steady_clock::time_point FAskedAt{};
    std::string FState;
    std::string FMeta;  // the latest description received, as sent
    std::size_t FIgnoredMeta = 0;  // the hash of the latest payload that was no description
    std::string FFailure;  // the write failure last logged
    std::string FRefusal;  // the refusal last logged
};
