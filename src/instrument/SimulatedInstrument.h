#pragma once
// The simulated ORVANT-3K instrument: writes its lines to a new pseudo-terminal (or an existing
// device) from a thread of its own, paced by the rate or as fast as the device takes them.
// The simulator program and the station's demo mode both run one of these.
//
//   TSimulatedInstrument instrument(options);
//   instrument.Start();                    // the device exists and lines flow from here on
//   port.Open(instrument.DevicePath());
//   ...
//   instrument.Stop();

#include "instrument/SimulatorOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TDeviceLink;
class TLineSource;
class TSimulatorTerminal;

// Thread rule: Start, Stop and the destructor on the owning thread; the getters from any thread.
class TSimulatedInstrument {
public:
    // The group whose members read serial ports, the recorder service's user among them.
    static constexpr const char* ServiceGroup = "dialout";

    explicit TSimulatedInstrument(TSimulatorOptions options);
    ~TSimulatedInstrument();
    TSimulatedInstrument(const TSimulatedInstrument&) = delete;
    TSimulatedInstrument& operator=(const TSimulatedInstrument&) = delete;

    // Creates the pseudo-terminal (and its link) or opens the device, then starts writing.
    // EBasicException when the device cannot be made or opened; at most once per object.
    void Start();
    // Ends the writing at once (lines not yet taken by a reader may be lost), closes the
    // device and removes the link. Safe to call more than once and before Start.
    void Stop();

    // The device the lines go to (set by Start): the pseudo-terminal's device path, or the
    // given device.
    const std::string& DevicePath() const { return FDevicePath; }
    // Lines written whole to the device so far.
    std::uint64_t LinesSent() const { return FLinesSent.load(); }
    // True once the writer has ended by itself: Count lines sent and taken by the device, or
    // a failure (see ErrorText). A run without Count never finishes by itself.
    bool Finished() const;
    bool WaitFinished(std::chrono::milliseconds timeout) const;
    // Why the writer failed; empty when it did not.
    std::string ErrorText() const;

    const TSimulatorOptions& Options() const { return FOptions; }

private:
    void OpenDevice();
    void ShareWithService();
    void Run();
    // Waits until the deadline; false when a stop was asked for first.
    bool SleepUntil(std::chrono::steady_clock::time_point deadline) const;
    // Writes all bytes, waiting for room in the device; false when a stop was asked for first.
    bool WriteAll(const std::string& bytes) const;
    // Waits until a reader has taken every byte from the device, then a little longer, so the
    // last lines are not lost when the device closes; false when a stop was asked for first.
    bool WaitDrained() const;
    // Bytes still waiting in the device; -1 when it cannot say (not a terminal).
    int PendingBytes() const;
    void MarkFinished(const std::string& error);

    TSimulatorOptions FOptions;
    std::unique_ptr<TLineSource> FSource;
    std::unique_ptr<TSimulatorTerminal> FTerminal;
    std::unique_ptr<TDeviceLink> FLink;
    std::string FDevicePath;
    int FOutput = -1;        // the handle written to
    int FOwnedDevice = -1;   // the given device's handle, closed by Stop
    bool FOutputIsTerminal = false;
    int FWakeRead = -1;      // readable once a stop is asked for
    int FWakeWrite = -1;
    bool FStarted = false;
    std::atomic<bool> FStopRequested{false};
    std::thread FWriter;
    std::atomic<std::uint64_t> FLinesSent{0};

    mutable std::mutex FStateLock;
    mutable std::condition_variable FStateChanged;
    bool FFinished = false;
    std::string FError;
};
