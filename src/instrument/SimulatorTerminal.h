#pragma once
// A pseudo-terminal whose device side looks like the instrument's serial line (raw, 9600 8N1).
// The simulator writes to the master side. It keeps the device side open as well: the kernel
// drops whatever is queued for the device side when its last holder closes it, and hangs up the
// device side when the master closes, so both stay open until a reader has taken the lines.

#include <string>

// Thread rule: created and destroyed by one thread; its handles serve any thread meanwhile.
class TSimulatorTerminal {
public:
    // Creates and configures it; EBasicException (class "TSimulatorTerminal", operation "Open")
    // with errno on failure.
    TSimulatorTerminal();
    ~TSimulatorTerminal();
    TSimulatorTerminal(const TSimulatorTerminal&) = delete;
    TSimulatorTerminal& operator=(const TSimulatorTerminal&) = delete;

    // Non-blocking, so that a writer can wait for room and for a stop request together.
    int MasterHandle() const { return FMaster; }
    int DeviceHandle() const { return FDevice; }
    // The device side's path, e.g. "/dev/pts/4": what the station opens as its port.
    const std::string& DevicePath() const { return FDevicePath; }
    // Bytes written to the master that no reader of the device side has taken yet; -1 when
    // the kernel does not say.
    int QueuedBytes() const;

private:
    void Close();

    int FMaster = -1;
    int FDevice = -1;
    std::string FDevicePath;
};
