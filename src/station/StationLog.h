#pragma once

#include "acquisition/LogPriority.h"
#include "acquisition/Notifier.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

// The headless recorder's log: one line per event on a stream (standard error by default), each
// stamped with the local time; a text of several lines is logged on one. When the stream is the
// journal (a service's standard error), each line starts with its syslog priority ("<3>") instead
// of a time stamp, since the journal stamps and ranks lines itself. As a notifier it logs
// every report; bad lines are limited to a few per minute, with a count of those left out, so
// that a broken line cannot flood the log; the port working again after a failure is logged
// as a recovery.
// Thread rule: every method may be called from any thread.
class TStationLog : public TNotifier {
public:
    explicit TStationLog(std::FILE* stream = stderr);

    void Line(const std::string& text, TLogPriority priority = TLogPriority::Info);
    // Logs how many bad lines were left out since the last one logged, if any.
    void FlushLeftOut();

    void ErrorBox(const std::string& text) override;
    bool Confirm(const std::string& text) override;  // logged, answered Yes
    void Beep() override;                             // nothing to log: the reason is reported
    void Report(TReportKind kind, const std::string& text) override;

    // The last line logged as an error, empty before the first.
    std::string LastError() const;

    static constexpr int BadLinesPerMinute = 10;

private:
    std::FILE* FStream;
    bool FToJournal;
    std::string FLastError;
    mutable std::mutex FLock;
    std::chrono::steady_clock::time_point FBadLineWindowStart{};
    int FBadLinesInWindow = 0;
    long FBadLinesLeftOut = 0;
    bool FPortFailing = false;
};

// Remembers which kinds of failure are going on, so that a failure repeated with every sample
// is logged once, and its end once.
// Thread rule: used by one thread.
class TFailureMemory {
public:
    // True when this failure is new for its kind (first, or another message than before).
    bool Failed(const std::string& kind, const std::string& message);
    // True when the kind was failing until now.
    bool Succeeded(const std::string& kind);

private:
    std::map<std::string, std::string> FCurrent;
};
