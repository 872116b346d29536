#include "station/RecordingWatch.h"

#include "acquisition/NumberText.h"

#include <cmath>
#include <sys/time.h>

namespace {

// A rate measured over less than this says little about the days to come.
constexpr double ShortestRateSeconds = 60.0;

}  // namespace

TDateTime NowUtc() {
    timeval now{};
    gettimeofday(&now, nullptr);
    // 25569 is 1970-01-01, where the system's seconds begin.
    return 25569.0 + (double(now.tv_sec) + double(now.tv_usec) / 1e6) / SecondsPerDay;
}

std::string DurationText(double seconds) {
    const long long whole = std::llround(seconds);
    if (whole < 60) return std::to_string(whole) + " s";
    if (whole < 3600)
        return std::to_string(whole / 60) + " min" +
               (whole % 60 ? " " + std::to_string(whole % 60) + " s" : std::string());
    return std::to_string(whole / 3600) + " h" +
           (whole % 3600 / 60 ? " " + std::to_string(whole % 3600 / 60) + " min" : std::string());
}

TRecordingWatch::TRecordingWatch(TWatchLimits limits) : FLimits(limits) {}

void TRecordingWatch::Change(std::string& current, bool on, const std::string& text,
                             const std::string& endText, std::vector<TWatchEvent>& events) {
    if (on && current.empty()) {
        current = text;
        events.push_back({true, text});
    } else if (!on && !current.empty()) {
        current.clear();
        events.push_back({false, endText});
    }
}

std::vector<TWatchEvent> TRecordingWatch::Sample(double now, TDateTime stamp, TDateTime utcNow,
                                                 std::uint64_t bytes) {
    std::vector<TWatchEvent> events;
    if (!FStart) FStart = now;
    Change(FSilence, false, "", "lines arrive again after " + DurationText(now - FLastSample) +
                                    " without one", events);
    FLastSample = now;
    FCreatedAtKnown = true;
    FBytes += bytes;

    const double drift = (stamp - utcNow) * SecondsPerDay;
    const bool drifting = std::fabs(drift) > FLimits.DriftSeconds;
    Change(FDrift, drifting,
           "the instrument's clock is " + DurationText(std::fabs(drift)) +
               (drift > 0 ? " ahead of" : " behind") + " the computer's UTC clock (more than " +
               std::to_string(FLimits.DriftSeconds) + " s)",
           "the instrument's clock agrees with the computer's UTC clock again", events);
    return events;
}

std::optional<double> TRecordingWatch::DaysLeft(double now, std::uint64_t freeBytes) const {
    if (!FStart || now - *FStart < ShortestRateSeconds || FBytes == 0) return std::nullopt;
    const double bytesPerDay = double(FBytes) / (now - *FStart) * SecondsPerDay;
    return double(freeBytes) / bytesPerDay;
}

std::vector<TWatchEvent> TRecordingWatch::Check(double now, std::uint64_t freeBytes) {
    std::vector<TWatchEvent> events;
    if (!FCreatedAtKnown) {
        // Silence is counted from the first check when no line has come yet.
        FLastSample = now;
        FCreatedAtKnown = true;
    }
    const double silent = now - FLastSample;
    Change(FSilence, silent >= FLimits.SilenceSeconds,
           "no line from the instrument for " + DurationText(silent) + " (more than " +
               std::to_string(FLimits.SilenceSeconds) + " s)",
           "", events);

    const std::optional<double> days = DaysLeft(now, freeBytes);
    if (days)
        Change(FDisk, *days < FLimits.DiskDays,
               "the archive's disk has room for " + FormatFixed(*days, 1) +
                   " more days of recording at the current rate (less than " +
                   std::to_string(FLimits.DiskDays) + ")",
               "the archive's disk has room for " + std::to_string(FLimits.DiskDays) +
                   " days or more again",
               events);
    return events;
}

std::string TRecordingWatch::CurrentText() const {
    std::string text;
    for (const std::string* warning : {&FSilence, &FDrift, &FDisk}) {
        if (warning->empty()) continue;
        if (!text.empty()) text += "; ";
        text += *warning;
    }
    return text;
}
