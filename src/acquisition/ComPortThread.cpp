#include "acquisition/ComPortThread.h"

#include "acquisition/BasicException.h"
#include "acquisition/COMPort.h"
#include "acquisition/HandOff.h"
#include "acquisition/LineAssembler.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/Notifier.h"
#include "acquisition/PacketQueue.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/RuntimeErrors.h"
#include "acquisition/SerialDevices.h"

#include <chrono>
#include <limits>
#include <system_error>

namespace {

// The settings file stores unsigned sizes; the port takes signed ones.
int CheckedSize(std::uint32_t size) {
    if (size > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) throw ERangeError();
    return static_cast<int>(size);
}

}  // namespace

TComPortThread::TComPortThread(const TCOMPortSettings& settings, TPacketQueue& queue,
                               TPacketSemaphore& semaphore, QObject* parent)
    : QThread(parent),
      FSettings(settings),
      FQueue(queue),
      FSemaphore(semaphore),
      FPort(std::make_unique<TCOMPort>()) {}

TComPortThread::~TComPortThread() {
    if (isRunning()) {
        RequestStop();
        // A notifier may carry the reader's report to this thread through a hand-off.
        WaitServingHandOffs(*this);
    }
    FRunEnded.load(std::memory_order_acquire);
}

std::string TComPortThread::Failure() const {
    std::lock_guard<std::mutex> guard(FFailureLock);
    return FFailure;
}

void TComPortThread::RequestStop() {
    requestInterruption();
    // Taking the lock orders the wake-up after the waiter's check of the flag: it cannot be lost.
    std::lock_guard<std::mutex> guard(FWaitLock);
    FStopWake.notify_all();
}

void TComPortThread::run() {
    QThread::currentThread()->setPriority(QThread::HighPriority);
    while (!isInterruptionRequested()) {
        try {
            FState = TState::Opening;
            OpenPort();
            FState = TState::Reading;
            {
                std::lock_guard<std::mutex> guard(FFailureLock);
                FFailure.clear();
            }
            // Tells the operator (and a status bar showing an earlier failure) that lines flow.
            Notifier().Report(TReportKind::PortOk, FPort->PortName() + " open, reading " +
                                                       FPort->DevicePath());
            ReadLines();  // returns on a stop request; raises when the port fails
        } catch (const std::exception& error) {
            // A device that has gone cannot be purged; it is released all the same, so that
            // the name can be opened again when the device comes back.
            FPort->CloseWithoutPurge();
            NoteFailure(FailureText(error));
            FState = TState::Waiting;
            WaitBeforeReopening();
        }
    }
    FState = TState::Closing;
    try {
        FPort->Close();
    } catch (const std::exception& error) {
        FPort->CloseWithoutPurge();
        NoteFailure(FailureText(error));
    }
    FState = TState::Finished;
    FRunEnded.store(true, std::memory_order_release);
}

void TComPortThread::NoteFailure(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(FFailureLock);
        if (FFailure == text) return;
        FFailure = text;
    }
    // Without this the window would go on showing a run that receives nothing.
    Notifier().Report(TReportKind::PortError, text);
}

void TComPortThread::WaitBeforeReopening() {
    std::unique_lock<std::mutex> lock(FWaitLock);
    FStopWake.wait_for(lock, std::chrono::milliseconds(ReopenIntervalMs),
                       [this] { return isInterruptionRequested(); });
}

void TComPortThread::OpenPort() {
    FPort->Open(COMPortName(FSettings.COMPort));
    FPort->SetCOMPortOptions(LineSettings);
    FPort->SetBufSize(CheckedSize(FSettings.InputBufferSize), CheckedSize(FSettings.OutputBufferSize));
    FPort->SetTimeouts(TCommTimeouts{FSettings.ReadInterval, FSettings.ReadTotalMultiplier,
                                     FSettings.ReadTotalConstant, FSettings.WriteTotalMultiplier,
                                     FSettings.WriteTotalConstant});
    FPort->PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR);
    FPort->SetReadAbortCheck([this] { return isInterruptionRequested(); });
}

void TComPortThread::ReadLines() {
    char buffer[ReadSize];
    TLineAssembler assembler;
    while (!isInterruptionRequested()) {
        WaitForRoomInQueue();
        const int received = FPort->Get(buffer, ReadSize);
        // The bytes of this read have left the device: their complete lines are queued even
        // when a stop came during the read, so that a stop loses no line the station received.
        assembler.Feed(
            buffer, static_cast<std::size_t>(received),
            [this](const std::string& line) { HandleLine(line); },
            [this] {
                DropLine("Dropped more than " +
                         std::to_string(TLineAssembler::DefaultMaximumLength) +
                         " characters without a carriage return");
            });
    }
}

void TComPortThread::WaitForRoomInQueue() {
    if (FQueue.Count() < MaxQueuedPackets) return;
    if (!FBacklogReported) {
        FBacklogReported = true;
        Notifier().Report(TReportKind::Info,
                          "Recording falls behind the port: reading waits while " +
                              std::to_string(MaxQueuedPackets) + " lines are queued");
    }
    std::unique_lock<std::mutex> lock(FWaitLock);
    while (FQueue.Count() >= MaxQueuedPackets && !isInterruptionRequested())
        FStopWake.wait_for(lock, std::chrono::milliseconds(1));
}

void TComPortThread::HandleLine(const std::string& line) {
    if (line.size() != LineLength) {
        DropLine("Dropped a line of " + std::to_string(line.size()) + " characters (" +
                 std::to_string(LineLength) + " expected)");
        return;
    }
    std::unique_ptr<TLogicalPacket> packet;
    try {
        packet = std::make_unique<TLogicalPacket>(line, TBadLineReport::NonModal);
    } catch (const std::exception&) {
        // The packet has reported why it could not be made.
        ++FLinesUnparseable;
        DropLine({});
        return;
    }
    FQueue.Append(std::move(packet));
    ++FLinesQueued;
    // Announced after the append, so a wake-up never comes before its packet. A refused release
    // (the semaphore at its maximum) loses nothing: a wake-up is then pending, and the
    // processing thread empties the whole queue on every wake-up.
    FSemaphore.Release(1);
}

void TComPortThread::DropLine(const std::string& reason) {
    ++FLinesDropped;
    // The beep alone is silent where nobody listens (headless, a quiet room): every dropped
    // line is reported as well, as an unparseable one is.
    if (!reason.empty()) Notifier().Report(TReportKind::BadLine, reason);
    Notifier().Beep();
}

std::string TComPortThread::FailureText(const std::exception& error) const {
    std::string text = error.what();
    const std::string& device = FPort->DevicePath();
    if (device.empty()) return text;
    text += "\n" + device;
    const auto* basic = dynamic_cast<const EBasicException*>(&error);
    if (basic && basic->ErrorCode() != 0)
        text += ": " + std::error_code(basic->ErrorCode(), std::generic_category()).message();
    return text;
}
