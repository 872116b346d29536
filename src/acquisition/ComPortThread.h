#pragma once

#include "acquisition/COMPortSettings.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TCOMPort;
class TPacketQueue;
class TPacketSemaphore;

// The reader: owns the instrument's serial port for one run, assembles the received bytes into
// lines, turns every 61-character line into a packet, appends it to the queue and announces it
// on the semaphore. Any other line sounds the beep and is dropped. When the port fails it ends
// and says so at once through the notifier (TReportKind::PortError).
// Thread rule: created, started, stopped and destroyed by one controlling thread; the port and
// the line being assembled belong to the run routine alone; the state and counters may be read
// from any thread.
class TComPortThread : public QThread {
public:
    enum class TState { Created, Opening, Reading, Closing, Finished };

    static constexpr int ReadSize = 631;
    static constexpr std::size_t LineLength = 61;
    static constexpr const char* LineSettings = "9600,N,8,1";

    // Takes a copy of the settings: the port index, the five time-outs and the buffer sizes are
    // read from it when the run begins. Start() runs the thread.
    TComPortThread(const TCOMPortSettings& settings, TPacketQueue& queue,
                   TPacketSemaphore& semaphore, QObject* parent = nullptr);
    // Stops and waits first when the thread still runs.
    ~TComPortThread() override;

    // Runs the thread one priority level above the processing thread.
    void Start() { start(QThread::HighPriority); }
    // Noticed within a few tens of milliseconds, whatever the read time-outs; the complete
    // lines of the read in progress are still queued, a partial line is dropped.
    void RequestStop() { requestInterruption(); }

    TState State() const { return FState.load(); }
    std::uint64_t LinesQueued() const { return FLinesQueued.load(); }
    std::uint64_t LinesDropped() const { return FLinesDropped.load(); }
    // The text reported when the run ended on a port failure; empty otherwise.
    std::string Failure() const;

protected:
    void run() override;

private:
    void OpenPort();
    void ReadLines();
    void HandleLine(const std::string& line);
    void DropLine();
    std::string FailureText(const std::exception& error) const;

    const TCOMPortSettings FSettings;
    TPacketQueue& FQueue;
    TPacketSemaphore& FSemaphore;
    const std::unique_ptr<TCOMPort> FPort;
    std::atomic<TState> FState{TState::Created};
    std::atomic<std::uint64_t> FLinesQueued{0};
    std::atomic<std::uint64_t> FLinesDropped{0};
    mutable std::mutex FFailureLock;
    std::string FFailure;
    // Set last by the run routine and read after the wait for its end: makes that end visible
    // to race checkers, which cannot see Qt's own join.
    std::atomic<bool> FRunEnded{false};
};
