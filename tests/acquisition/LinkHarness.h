#pragma once
// One acquisition run for tests: the semaphore, the processing thread handing packets to a
// recording handler on this (the test's main) thread, and the reader on a pseudo-terminal that
// the test writes the instrument's lines to.

#include "acquisition/COMPortSettings.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/ProcessingThread.h"
#include "acquisition/SampleHandler.h"
#include "acquisition/SerialDevices.h"
#include "instrument/InstrumentLine.h"
#include "PseudoTerminal.h"
#include "QtTestApplication.h"
#include "RecordingNotifier.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The instrument's line for sample `index`: one second apart, values that tell them apart.
inline std::string SampleLine(int index) {
    const double x = index;
    return FormatInstrumentLine(EncodeDateTime(2024, 1, 5, 0, 0, 0) + index / SecondsPerDay,
                                {x, -x / 2, 40000 + x / 100, 21.5, -3.0});
}

// Records the lines it is handed; an optional hook runs first (it may raise or dawdle).
class TRecordingHandler : public TSampleHandler {
public:
    void HandleSample(const TLogicalPacket& packet) override {
        if (Hook) Hook(packet);
        Lines.push_back(packet.Line());
    }
    std::function<void(const TLogicalPacket&)> Hook;
    std::vector<std::string> Lines;
};

class TLinkHarness {
public:
    static constexpr int ComNumber = 5;
    static constexpr int LongWaitMs = 20000;

    TLinkHarness() {
        EnsureQtApplication();
        SetSerialDevice(ComNumber, Line.SlavePath());
    }
    ~TLinkHarness() {
        Stop();
        ClearSerialDevices();
    }

    // Starts processing and reader as a run does; returns once the reader reads (or waits to
    // reopen a port that failed).
    void Start(TCOMPortSettings settings = {}, int semaphoreMaximum = 1000) {
        settings.COMPort = ComNumber - 1;
        Semaphore = std::make_unique<TPacketSemaphore>(0, semaphoreMaximum);
        Processing = std::make_unique<TProcessingThread>(*Semaphore, Handler);
        Processing->Start();
        Reader = std::make_unique<TComPortThread>(settings, Processing->PacketQueue(), *Semaphore);
        Reader->Start();
        EXPECT_TRUE(ServeHandOffsUntil(
            [this] {
                const auto state = Reader->State();
                return state == TComPortThread::TState::Reading ||
                       state == TComPortThread::TState::Waiting;
            },
            LongWaitMs));
    }

    // The stop sequence: reader first, then the processing thread, which drains the queue.
    void Stop() {
        if (Reader) {
            Reader->RequestStop();
            EXPECT_TRUE(WaitServingHandOffs(*Reader, LongWaitMs));
            Reader.reset();
        }
        if (Processing) {
            Processing->RequestStop();
            EXPECT_TRUE(WaitServingHandOffs(*Processing, LongWaitMs));
            Processing.reset();
        }
        Semaphore.reset();
    }

    void Send(const std::string& bytes) { Line.Write(bytes); }

    // Serves hand-offs until the handler has `count` lines.
    bool WaitForLines(std::size_t count, int timeoutMs = LongWaitMs) {
        return ServeHandOffsUntil([&] { return Handler.Lines.size() >= count; }, timeoutMs);
    }
    // Waits, serving hand-offs, until the reader has dealt with `queued` good and `dropped` bad
    // lines.
    bool WaitForReader(std::uint64_t queued, std::uint64_t dropped) {
        return ServeHandOffsUntil(
            [&] { return Reader->LinesQueued() >= queued && Reader->LinesDropped() >= dropped; },
            LongWaitMs);
    }

    TRecordingNotifier Notifications;
    TPseudoTerminal Line;
    TRecordingHandler Handler;
    std::unique_ptr<TPacketSemaphore> Semaphore;
    std::unique_ptr<TProcessingThread> Processing;
    std::unique_ptr<TComPortThread> Reader;
};
