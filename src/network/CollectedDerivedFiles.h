#pragma once
// The INTERMAGNET and IAGA-2002 files a collector writes for one station, as the station's
// description (its `meta`) asks: the station's own derived files (filter and writers), made
// from the description, so that they equal the station's files byte for byte.
//
// A description holds from the line it names, the first line of the station's run: there the
// files of the previous description are finished and new ones begun, as the station's new run
// begins them. Descriptions that arrive before their line (a collector catching up on older
// lines) wait for it. After the collector's own restart the files go on in new files, as after
// a restart of the station.
//
// Thread rule: used by one thread (the collector's event loop).

#include "recording/DerivedFiles.h"
#include "network/Payloads.h"

#include <cstdint>
#include "network/CollectorLog.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

// What the derived files of a description are made from; nothing, and `problem` set, when the
// description cannot be followed (an interval other than 5 or 60 s, a coefficient that is no
// number).
std::optional<TDerivedSettings> DerivedSettingsOf(const TStationMeta& meta, std::string& problem);

class TCollectedDerivedFiles {
public:
    using TLog = TCollectorLog;
    // Descriptions kept waiting for their line; beyond, those furthest ahead are dropped.
    static constexpr std::size_t MaxWaiting = 64;

    // `folder` holds the station's INTERMAGNET/ and IAGA2002/ trees.
    TCollectedDerivedFiles(std::string station, std::string folder, TLog log);
    // Finishes the files in use, each even after another failed; a failure is logged.
    ~TCollectedDerivedFiles();
    TCollectedDerivedFiles(const TCollectedDerivedFiles&) = delete;
    TCollectedDerivedFiles& operator=(const TCollectedDerivedFiles&) = delete;

    // `meta` holds from line `from` on.
    void Describe(const TStationMeta& meta, std::uint64_t from);
    // Line `seq` (lines come in sequence): its values and stamp. A write failure is logged once
    // until the files are written again.
    void Record(std::uint64_t seq, std::span<const double> values, TDateTime time);

private:
    void Begin(const TStationMeta& meta, std::uint64_t seq);
    void Finish();
    void Log(const std::string& text, TLogPriority priority) const {
        FLog(FStation + ": " + text, priority);
    }

    std::string FStation;
    std::string FFolder;
    TLog FLog;
    std::map<std::uint64_t, TStationMeta> FWaiting;  // by the line each holds from
    std::unique_ptr<TDerivedFiles> FFiles;
    std::string FFailure;  // the write failure last logged
};
