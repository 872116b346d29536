#pragma once

#include <cstdint>
#include <string>

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

// Parses "baud,parity,data bits,stop bits" into the block; false when the text is not valid.
bool BuildCommDCBA(const std::string& text, TDeviceControlBlock& dcb);

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
    virtual ~TCOMPort();
    TCOMPort(const TCOMPort&) = delete;
    TCOMPort& operator=(const TCOMPort&) = delete;

    // Opens the named port ("COM1" resolves through the device mapping; a path is used as it
    // stands). An empty name reopens the previous one. Closes first when open.
    int Open(const std::string& name);
    // -1 when not open; else purge (15), close, 0.
    int Close();
    // Reads at most `count` bytes under the time-out rule; 0 when nothing arrived in time.
    int Get(void* buffer, int count);
    int Send(const void* buffer, int count);
    int PurgeComm(int flags);
    int SetCOMPortOptions(const std::string& options);
    int SetDCB();
    int SetTimeouts(const TCommTimeouts& timeouts);
    int SetBufSize(int inputSize, int outputSize);

    const std::string& PortName() const { return FPortName; }
    // The device path the last Open used (PortName resolved through the mapping).
    const std::string& DevicePath() const { return FDevicePath; }
    const std::string& OptionsText() const { return FOptionsText; }
    bool Opened() const { return FOpened; }
    const TCommTimeouts& Timeouts() const { return FTimeouts; }
    const TDeviceControlBlock& DCB() const { return FDCB; }
    int Handle() const { return FHandle; }

    virtual const char* ClassName() const { return "TCOMPort"; }

private:
    std::string FPortName;
    std::string FOptionsText;
    bool FOpened = false;
    TCommTimeouts FTimeouts;
    TDeviceControlBlock FDCB;
    int FHandle = -1;
    std::string FDevicePath;
};
