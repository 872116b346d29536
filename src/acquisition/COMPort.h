#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

// The read and write time-outs, in milliseconds, in the order of the settings file.
struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// Line settings built from a settings text such as "9600,N,8,1". Members the text does not set
// stay zero: no flow control of any kind.
struct TDeviceControlBlock {
    std::uint32_t DCBlength = 0;
    std::uint32_t BaudRate = 0;
    std::uint8_t ByteSize = 0;
    char Parity = 0;          // 'N', 'O', 'E', 'M', 'S'
    std::uint8_t StopBits = 0;  // 0 = 1 bit, 1 = 1.5 bits, 2 = 2 bits
};

// Parses "baud,parity,data bits,stop bits" into the block; false when the text is not valid
// (the block is then left unchanged).
bool BuildCommDCBA(const std::string& text, TDeviceControlBlock& dcb);

// Applies the block to an open terminal: raw mode, the baud rate, parity, data and stop bits,
// receiver on, modem lines ignored, no flow control. Returns 0 or the errno of the failure
// (EINVAL for settings this system's driver cannot take).
int ApplyDeviceControlBlock(int handle, const TDeviceControlBlock& dcb);

// A time-out member of this value has the platform's special meanings (see TCOMPort::Get).
constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;

// Flags of PurgeComm.
constexpr int PURGE_TXABORT = 1;
constexpr int PURGE_RXABORT = 2;
constexpr int PURGE_TXCLEAR = 4;
constexpr int PURGE_RXCLEAR = 8;

// A blocking serial device on POSIX termios, opened exclusively. Every failure raises
// EBasicException with the station's message, the system error code (errno) and the names of
// the class and operation.
// Thread rule: one object is created, used and destroyed by one thread.
class TCOMPort {
public:
    TCOMPort();
    // Closes the port; a device whose purge fails is released all the same.
    virtual ~TCOMPort();
    TCOMPort(const TCOMPort&) = delete;
    TCOMPort& operator=(const TCOMPort&) = delete;

    // Opens the named port ("COM1" resolves through the device mapping; a path is used as it
    // stands). An empty name reopens the previous one. Closes first when open.
    int Open(const std::string& name);
    // -1 when not open; else purge (15), close, 0.
    int Close();
    // Reads at most `count` bytes and returns how many arrived, 0 when nothing did. The read
    // ends when the count is reached; or, once a byte has arrived, when more than ReadInterval
    // ms pass without another; or when ReadTotalMultiplier * count + ReadTotalConstant ms have
    // passed since it began. A zero member plays no part; with all three zero the read waits
    // for the full count. ReadInterval = MAXDWORD with both totals zero returns at once with
    // what is waiting; MAXDWORD in the interval and the multiplier with a constant in between
    // returns as soon as anything has arrived, or after the constant.
    // A device that hangs up (unplugged, the far end of a pseudo-terminal closed) is a failed
    // read; bytes taken before it are returned first and the next call raises.
    int Get(void* buffer, int count);
    // Writes under the write total time-out (0: no limit); returns the bytes written.
    int Send(const void* buffer, int count);
    int PurgeComm(int flags);
    int SetCOMPortOptions(const std::string& options);
    int SetDCB();
    int SetTimeouts(const TCommTimeouts& timeouts);
    // The driver here keeps its own queue sizes; the sizes asked for are checked and kept.
    int SetBufSize(int inputSize, int outputSize);

    // Releases the device without purging its queues, for a device that has gone and whose
    // purge (and so Close) fails. Does nothing when not open; never raises.
    void CloseWithoutPurge() noexcept;

    // A check that a blocking Get consults every few tens of milliseconds while it waits; when
    // it answers true the read returns what has arrived so far. Lets the owning thread end a
    // long or unlimited read promptly on a stop request.
    void SetReadAbortCheck(std::function<bool()> check) { FReadAbortCheck = std::move(check); }

    const std::string& PortName() const { return FPortName; }
    // The device path the last Open used (PortName resolved through the mapping).
    const std::string& DevicePath() const { return FDevicePath; }
    const std::string& OptionsText() const { return FOptionsText; }
    bool Opened() const { return FOpened; }
    const TCommTimeouts& Timeouts() const { return FTimeouts; }
    const TDeviceControlBlock& DCB() const { return FDCB; }
    int Handle() const { return FHandle; }
    int InputBufferSize() const { return FInputBufferSize; }
    int OutputBufferSize() const { return FOutputBufferSize; }

    virtual const char* ClassName() const { return "TCOMPort"; }

private:
    std::string FPortName;
    std::string FOptionsText;
    bool FOpened = false;
    TCommTimeouts FTimeouts;
    TDeviceControlBlock FDCB;
    int FHandle = -1;
    std::string FDevicePath;
    int FInputBufferSize = 0;
    int FOutputBufferSize = 0;
    std::function<bool()> FReadAbortCheck;
};
