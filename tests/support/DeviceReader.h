#pragma once
// Reads what arrives on a terminal device (a pseudo-terminal's either side, or a serial port)
// the way the station's port does: raw bytes, waited for with time-outs, until the writer hangs
// up. Keeps everything it has read.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// Thread rule: one thread uses an object.
class TDeviceReader {
public:
    // Opens the device without making it the controlling terminal and without changing its
    // settings; std::runtime_error when it cannot be opened.
    explicit TDeviceReader(const std::string& path);
    // Reads an open handle, which the caller keeps and closes.
    explicit TDeviceReader(int handle);
    ~TDeviceReader();
    TDeviceReader(const TDeviceReader&) = delete;
    TDeviceReader& operator=(const TDeviceReader&) = delete;

    // Reads until at least `count` bytes have come in all, the writer hung up or the time-out
    // passed; true when the bytes are there.
    bool WaitForBytes(std::size_t count, std::chrono::milliseconds timeout);
    // The same for `count` complete lines ended by `end`.
    bool WaitForLines(std::size_t count, std::chrono::milliseconds timeout,
                      const std::string& end = "\r\n");
    // Reads until the writer hangs up (end of file or EIO); false when the time-out passed first.
    bool WaitForHangUp(std::chrono::milliseconds timeout);

    const std::string& Received() const { return FReceived; }
    bool HungUp() const { return FHungUp; }

private:
    // One wait and read of whatever is there; false when the deadline passed or the writer hung up.
    bool ReadSome(std::chrono::steady_clock::time_point deadline);

    int FHandle = -1;
    bool FOwned = false;
    bool FHungUp = false;
    std::string FReceived;
};

// The complete lines of `text`, each without its `end`; an unfinished tail is left out.
std::vector<std::string> SplitLines(const std::string& text, const std::string& end = "\r\n");
