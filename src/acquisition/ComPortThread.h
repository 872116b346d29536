#pragma once

#include "acquisition/COMPortSettings.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TCOMPort;
class TPacketQueue;
class TPacketSemaphore;

// The reader: owns the instrument's serial port for one run, assembles the received bytes into
// lines, turns every 61-character line into a packet, appends it to the queue and announces it
// on the semaphore. Any other line sounds the beep and is dropped, and is reported
// (TReportKind::BadLine): a line that does not parse by the packet with its text, a line of
// the wrong length or an over-long run without a carriage return with its length.
// When the port fails (the device unplugged or gone) the run goes on: the failure is reported at
// once (TReportKind::PortError) and the same device name is opened and configured again every
// ReopenIntervalMs until it answers; then reading resumes on an empty line and the report is
// cleared (TReportKind::PortOk). A failure that repeats is reported once, until the port works
// again or the reason changes, so a long absence does not flood the operator.
// While MaxQueuedPackets packets wait to be handled, the reader stops taking bytes from the
// port, so that a source faster than the recording (a simulator without pacing, a stalled
// window) is held back by the device's own buffer instead of filling the memory.
// Thread rule: created, started, stopped and destroyed by one controlling thread; the port and
// the line being assembled belong to the run routine alone; the state and counters may be read
// from any thread.
class TComPortThread : public QThread {
public:
    // Waiting: the port failed; the next attempt to open it comes after ReopenIntervalMs.
    enum class TState { Created, Opening, Reading, Waiting, Closing, Finished };

    static constexpr int ReadSize = 631;
    static constexpr std::size_t LineLength = 61;
    static constexpr const char* LineSettings = "9600,N,8,1";
    static constexpr int ReopenIntervalMs = 2000;
    // About 20 minutes of the instrument's lines, a few megabytes.
    static constexpr std::size_t MaxQueuedPackets = 20000;

    // Takes a copy of the settings: the port index, the five time-outs and the buffer sizes are
    // read from it when the run begins. Start() runs the thread.
    TComPortThread(const TCOMPortSettings& settings, TPacketQueue& queue,
                   TPacketSemaphore& semaphore, QObject* parent = nullptr);
    // Stops and waits first when the thread still runs.
    ~TComPortThread() override;

    // Runs the thread one priority level above the processing thread.
    void Start() { start(QThread::HighPriority); }
    // Noticed within a few tens of milliseconds, whatever the read time-outs, and at once while
    // waiting to reopen the port; the complete lines of the read in progress are still queued,
    // a partial line is dropped.
    void RequestStop();

    TState State() const { return FState.load(); }
    std::uint64_t LinesQueued() const { return FLinesQueued.load(); }
    // Every line not queued: unparseable ones and those of the wrong length or over-long.
    std::uint64_t LinesDropped() const { return FLinesDropped.load(); }
    // The lines of the right length that did not parse, counted in LinesDropped too.
    std::uint64_t LinesUnparseable() const { return FLinesUnparseable.load(); }
    // The text of the port failure going on (as reported); empty while the port works.
    std::string Failure() const;

protected:
    void run() override;

private:
    void OpenPort();
    void ReadLines();
    // Reports the failure unless it is the one already reported, and remembers it.
    void NoteFailure(const std::string& text);
    // Returns after ReopenIntervalMs, or at once on a stop request.
    void WaitBeforeReopening();
    // Returns once fewer than MaxQueuedPackets packets are queued, or on a stop request; says
    // so once per run the first time it has to wait.
    void WaitForRoomInQueue();
    void HandleLine(const std::string& line);
    // Counts the line, reports the reason (empty: already reported) and beeps.
    void DropLine(const std::string& reason);
    std::string FailureText(const std::exception& error) const;

    const TCOMPortSettings FSettings;
    TPacketQueue& FQueue;
    TPacketSemaphore& FSemaphore;
    const std::unique_ptr<TCOMPort> FPort;
    std::atomic<TState> FState{TState::Created};
    std::atomic<std::uint64_t> FLinesQueued{0};
    std::atomic<std::uint64_t> FLinesDropped{0};
    std::atomic<std::uint64_t> FLinesUnparseable{0};
    mutable std::mutex FFailureLock;
    std::string FFailure;
    // Wakes the wait before a reopen when a stop is requested.
    std::mutex FWaitLock;
    std::condition_variable FStopWake;
    bool FBacklogReported = false;  // run routine only
    // Set last by the run routine and read after the wait for its end: makes that end visible
    // to race checkers, which cannot see Qt's own join.
    std::atomic<bool> FRunEnded{false};
};
