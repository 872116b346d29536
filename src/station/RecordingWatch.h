#pragma once
// Warnings before data is lost, for a station nobody watches: no line from the instrument for a
// while, the instrument's clock drifting from the computer's UTC clock, and the archive's disk
// filling up at the current rate. Each is reported once when it begins and once when it ends,
// never with every sample, and the ones going on are what the service's status line shows.
// Pure logic: the caller passes the clocks and the free space, so every case can be tried.

#include "acquisition/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TWatchLimits {
    int SilenceSeconds = 30;  // no line for this long is a warning
    int DriftSeconds = 5;     // instrument time this far from the computer's UTC is a warning
    int DiskDays = 7;         // fewer days of recording left on the archive's disk: a warning
};

struct TWatchEvent {
    bool Warning = true;  // false: the episode has ended
    std::string Text;
};

// Thread rule: used by one thread (the one that records the samples and runs the checks).
class TRecordingWatch {
public:
    explicit TRecordingWatch(TWatchLimits limits);

    // A sample recorded: `now` in seconds of a steady clock, `stamp` the instrument's time,
    // `utcNow` the computer's UTC time, `bytes` what its recording wrote.
    std::vector<TWatchEvent> Sample(double now, TDateTime stamp, TDateTime utcNow,
                                    std::uint64_t bytes);
    // The periodic check: silence since the last sample (or the start), and the days left for
    // `freeBytes` at the rate written so far.
    std::vector<TWatchEvent> Check(double now, std::uint64_t freeBytes);

    // The warnings going on, "; "-separated; empty when all is well.
    std::string CurrentText() const;

    // The days `freeBytes` last at the rate written so far; nothing before a minute of
    // recording, when the rate says little.
    std::optional<double> DaysLeft(double now, std::uint64_t freeBytes) const;

private:
    // Reports a change of one kind of episode: begins with `text`, or ends with `endText`.
    void Change(std::string& current, bool on, const std::string& text, const std::string& endText,
                std::vector<TWatchEvent>& events);

    TWatchLimits FLimits;
    std::optional<double> FStart;       // the first sample's steady time
    double FLastSample = 0;             // steady time of the last sample, or of the creation
    bool FCreatedAtKnown = false;
    std::uint64_t FBytes = 0;
    std::string FSilence, FDrift, FDisk;  // the warning of each episode going on, or empty
};

// The computer's UTC clock as a date-time value.
TDateTime NowUtc();

// "45 s", "2 min 5 s", "3 h 10 min": how long, for the log.
std::string DurationText(double seconds);
