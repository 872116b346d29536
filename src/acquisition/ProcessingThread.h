#pragma once

#include "acquisition/PacketQueue.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TPacketSemaphore;
class TSampleHandler;

// The consumer end of the packet queue: waits for announced packets and hands each one, in
// arrival order, to the handler on the user-interface thread, waiting for it; then destroys it.
// After a stop request it drains the queue before it ends. On an error it ends and says so at
// once through the notifier (TReportKind::ProcessingError). It owns the run's packet queue.
// Thread rule: created, started, stopped and destroyed on the user-interface thread; the run
// routine is the queue's only consumer; CurrentPacket and the counters may be read anywhere.
class TProcessingThread : public QThread {
public:
    // Creates the queue (empty); Start() runs the thread.
    TProcessingThread(TPacketSemaphore& semaphore, TSampleHandler& handler,
                      QObject* parent = nullptr);
    // Stops and waits first (serving hand-offs) when the thread still runs; destroys the
    // packets left in the queue.
    ~TProcessingThread() override;

    void Start() { start(QThread::NormalPriority); }
    // Sets the stop request and releases the semaphore once to wake a waiting thread; every
    // packet queued by then is still handed over before the thread ends.
    void RequestStop();

    TPacketQueue& PacketQueue() { return FPacketQueue; }
    // The packet being handed over, only during its hand-off; nullptr otherwise.
    const TLogicalPacket* CurrentPacket() const { return FCurrentPacket.load(); }
    std::uint64_t PacketsHandled() const { return FPacketsHandled.load(); }
    // The text reported when the thread ended on an error; empty otherwise.
    std::string Failure() const;

protected:
    void run() override;

private:
    void HandOver(const TLogicalPacket& packet);

    TPacketSemaphore& FSemaphore;
    TSampleHandler& FHandler;
    TPacketQueue FPacketQueue;
    std::atomic<const TLogicalPacket*> FCurrentPacket{nullptr};
    std::atomic<std::uint64_t> FPacketsHandled{0};
    mutable std::mutex FFailureLock;
    std::string FFailure;
    // Set last by the run routine and read after the wait for its end: makes that end visible
    // to race checkers, which cannot see Qt's own join.
    std::atomic<bool> FRunEnded{false};
};
