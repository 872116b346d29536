#pragma once
// A station as the network sees it, without a serial line: numbered instrument lines written to
// its own archive (ROOT/ARCHIVE/...) by the archive writer and published by the real
// publisher, as user <name> on the test broker. Tests decide exactly when lines are recorded,
// so "a station that sends nothing more" is a station they stop feeding.
//
// Thread rule: one thread uses an object.

#include "TestBroker.h"

#include <filesystem>
#include <memory>
#include <string>

class TStationPublisher;
class TTextWithTimeDataFile;

class TPublishingStation {
public:
    // Starts publishing at once; the lines are numbered on from what `folder` already holds.
    TPublishingStation(const TTestBroker& broker, const std::string& name, const std::filesystem::path& folder);
    // Stops as a station stops (what is acknowledged within a second is saved).
    ~TPublishingStation();

    // Records `count` lines, one second apart, going on from the last recorded stamp.
    void Record(int count);
    // All lines recorded, as the station's archive holds them.
    std::string Archive() const;
    std::uint64_t NextSeq() const;
    // Lines recorded that the broker has not acknowledged yet.
    long long Unacknowledged() const;

    // The instrument line of the station's `index`th second (from 2024-05-01 00:00:00).
    static std::string Line(int index);

private:
    std::string FName;
    std::filesystem::path FFolder;
    std::unique_ptr<TTextWithTimeDataFile> FArchive;
    std::unique_ptr<TStationPublisher> FPublisher;
    int FSecond = 0;
};
