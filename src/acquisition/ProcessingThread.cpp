#include "acquisition/ProcessingThread.h"

#include "acquisition/HandOff.h"
#include "acquisition/Notifier.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/SampleHandler.h"

#include <exception>

TProcessingThread::TProcessingThread(TPacketSemaphore& semaphore, TSampleHandler& handler,
                                     QObject* parent)
    : QThread(parent), FSemaphore(semaphore), FHandler(handler) {
    // Serves the hand-offs from now on; made here, on the user-interface thread.
    ServeHandOffs();
}

TProcessingThread::~TProcessingThread() {
    if (isRunning()) {
        RequestStop();
        WaitServingHandOffs(*this);
    }
    FRunEnded.load(std::memory_order_acquire);
}

void TProcessingThread::RequestStop() {
    requestInterruption();
    // Refused only at the maximum, when a wake-up is pending anyway.
    FSemaphore.Release(1);
}

std::string TProcessingThread::Failure() const {
    std::lock_guard<std::mutex> guard(FFailureLock);
    return FFailure;
}

void TProcessingThread::run() {
    QThread::currentThread()->setPriority(QThread::NormalPriority);
    std::string failure;
    try {
        for (;;) {
            if (isInterruptionRequested() && FPacketQueue.Empty()) break;
            FSemaphore.Wait();
            // Every packet queued so far, not just one: a release refused at the semaphore's
            // maximum leaves packets without a wake-up of their own, and a wake-up with an
            // empty queue (the stop's, or one whose packet went in an earlier pass) is harmless.
            while (const TLogicalPacket* packet = FPacketQueue.Head()) HandOver(*packet);
        }
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    if (!failure.empty()) {
        failure = "Sample processing stopped: " + failure;
        {
            std::lock_guard<std::mutex> guard(FFailureLock);
            FFailure = failure;
        }
        // Without this the window would go on showing a run whose samples go nowhere.
        Notifier().Report(TReportKind::ProcessingError, failure);
    }
    FRunEnded.store(true, std::memory_order_release);
}

void TProcessingThread::HandOver(const TLogicalPacket& packet) {
    FCurrentPacket = &packet;
    std::exception_ptr error;
    try {
        RunOnMainThread([this, &packet] { FHandler.HandleSample(packet); });
    } catch (...) {
        error = std::current_exception();
    }
    FCurrentPacket = nullptr;
    FPacketQueue.RemoveHead();
    ++FPacketsHandled;
    if (error) std::rethrow_exception(error);
}
