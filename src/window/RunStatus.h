#pragma once
// TRunStatus: what the main window's status bar says about acquisition. It never claims that
// lines are recorded while they are not: a failed port, an ended processing thread, a start
// that left no reader and failing file writes each say "not recording" until they are over.
// Nor does it claim to record while nothing arrives: an open port says it waits for data until
// the first sample, and a run without samples for SilenceWarning says for how long. Dropped
// lines are counted with the last reason given. No widgets, so the wording is tested on its
// own; the window shows Text() in the colour of Level() and refreshes it from a timer.

#include "acquisition/Notifier.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// Thread rule: user-interface thread only; reports from other threads reach it posted.
class TRunStatus {
public:
    enum class TLevel { Normal, Warning, Error };
    using TClock = std::chrono::steady_clock;
    // A run this long without a sample is reported as silent.
    static constexpr std::chrono::seconds SilenceWarning{10};

    // The clock the silence is measured with (the steady clock unless a test sets its own).
    void SetClock(std::function<TClock::time_point()> now) { FNow = std::move(now); }

    // A run begins; its reader is about to open the port of that name.
    void Starting(const std::string& portName);
    // The start failed: the run goes on without a reader until the user stops it.
    void NotStarted(const std::string& reason);
    // The run has ended; later reports of its threads are stale and ignored.
    void Stopped();

    // A notifier report. Port and processing reports and bad lines count only during a run.
    void Report(TReportKind kind, const std::string& text);
    // The reader's count of dropped lines, which may be ahead of the reports that arrived.
    void SetDroppedLines(std::uint64_t count);
    // The recording steps of one sample succeeded (a write failure is over) or failed.
    void SampleRecorded();
    void SampleFailed(const std::string& reason);

    std::string Text() const;
    TLevel Level() const;
    // The port is open and samples are written.
    bool Recording() const;
    // The port is open but no sample has come yet, or none for SilenceWarning.
    bool AwaitingData() const;
    bool Running() const { return FState != TState::Idle; }
    std::uint64_t SamplesRecorded() const { return FSamples; }
    // Dropped lines: the reader's count, or the reports of bad lines when they are ahead of it.
    std::uint64_t BadLines() const { return FBadLineReports > FDroppedLines ? FBadLineReports : FDroppedLines; }

private:
    enum class TState { Idle, Opening, Recording, PortFailed, ProcessingFailed, NotStarted };

    std::string RunText() const;
    TClock::duration Silence() const;
    bool Silent() const;

    TState FState = TState::Idle;
    std::string FPortName;
    std::string FDetail;       // the port's text, or the failure's
    std::string FWriteFailure; // non-empty while samples fail to be recorded
    std::string FMessage;      // a report outside a run
    std::uint64_t FSamples = 0;
    // Samples that came, recorded or not, and when the last one came (or the run began).
    std::uint64_t FArrivals = 0;
    TClock::time_point FLastArrival;
    std::function<TClock::time_point()> FNow = [] { return TClock::now(); };
    std::uint64_t FBadLineReports = 0;
    std::uint64_t FDroppedLines = 0;
    std::string FLastBadLine;
    std::string FSettingsProblem;  // a setting this run cannot use, shown until the run ends
    bool FStoppedOnce = false;
};

// A report's text on one line: line breaks become " - ".
std::string OneLine(const std::string& text);

// A length of time for a report, in whole seconds: "12 s", "3 min 5 s", "2 h 5 min".
std::string DurationText(std::chrono::seconds duration);
