#include "acquisition/BasicException.h"
#include "acquisition/COMPort.h"
#include "acquisition/SerialDevices.h"
#include "PseudoTerminal.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <termios.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs `action` and checks that it raised the component error with these particulars.
void ExpectRaises(const std::function<void()>& action, const std::string& message, int code,
                  const std::string& sourceClass, const std::string& operation) {
    try {
        action();
        ADD_FAILURE() << "no error; expected " << message;
    } catch (const EBasicException& error) {
        EXPECT_EQ(error.what(), message);
        EXPECT_EQ(error.ErrorCode(), code) << message;
        EXPECT_EQ(error.SourceClass(), sourceClass) << message;
        EXPECT_EQ(error.SourceMethod(), operation) << message;
    }
}

class COMPortTest : public ::testing::Test {
protected:
    void SetUp() override { SetSerialDevice(2, Line.SlavePath()); }
    void TearDown() override { ClearSerialDevices(); }

    // Opens COM2 (the pseudo-terminal) with the instrument's settings and these time-outs.
    void OpenConfigured(TCOMPort& port, TCommTimeouts timeouts) {
        port.Open("COM2");
        port.SetCOMPortOptions("9600,N,8,1");
        port.SetTimeouts(timeouts);
    }

    TPseudoTerminal Line;
};

const TCommTimeouts DefaultTimeouts{10, 0, 100, 0, 0};

}  // namespace

TEST(SerialDevices, ResolvesComNamesThroughTableOverrideAndDefault) {
    EXPECT_EQ(COMPortName(0), "COM1");
    EXPECT_EQ(COMPortName(3), "COM4");
    EXPECT_EQ(COMPortName(2147483647), "COM2147483648");

    EXPECT_EQ(ResolveSerialDevice("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolveSerialDevice("com12"), "/dev/ttyS11");
    SetSerialDevice(3, "/dev/ttyUSB0");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyUSB0");
    SetSerialOverride("/dev/pts/9");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/pts/9");
    EXPECT_EQ(ResolveSerialDevice("COM1"), "/dev/pts/9");
    EXPECT_EQ(ResolveSerialDevice("/dev/ttyACM0"), "/dev/ttyACM0");
    SetSerialOverride("");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyUSB0");
    SetSerialDevice(3, "");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyS2");
    SetSerialDevice(4, "/dev/x");
    ClearSerialDevices();
    EXPECT_EQ(ResolveSerialDevice("COM4"), "/dev/ttyS3");
    // Anything that is not "COM" and a number from 1 stands as written.
    for (const char* name : {"COM0", "COM", "COM-1", "COM+1", "COM1x", "COMA", "ttyS0"})
        EXPECT_EQ(ResolveSerialDevice(name), name);
}

TEST(BuildCommDCBA, ParsesBaudParityDataAndStopBits) {
    TDeviceControlBlock dcb;
    ASSERT_TRUE(BuildCommDCBA("9600,N,8,1", dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Parity, 'N');
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.StopBits, 0);
    ASSERT_TRUE(BuildCommDCBA(" 110 , o , 5 , 1.5 ", dcb));
    EXPECT_EQ(dcb.BaudRate, 110u);
    EXPECT_EQ(dcb.Parity, 'O');
    EXPECT_EQ(dcb.ByteSize, 5);
    EXPECT_EQ(dcb.StopBits, 1);
    ASSERT_TRUE(BuildCommDCBA("19200,e,7,2", dcb));
    EXPECT_EQ(dcb.Parity, 'E');
    EXPECT_EQ(dcb.StopBits, 2);

    const TDeviceControlBlock before = dcb;
    for (const char* text : {"", "9600", "9600,N,8", "9600,N,8,1,x", "0,N,8,1", "-9600,N,8,1",
                             "9600,X,8,1", "9600,NN,8,1", "9600,N,9,1", "9600,N,3,1",
                             "9600,N,8,3", "96OO,N,8,1", "99999999999,N,8,1"}) {
        EXPECT_FALSE(BuildCommDCBA(text, dcb)) << text;
    }
    EXPECT_EQ(dcb.BaudRate, before.BaudRate);
    EXPECT_EQ(dcb.Parity, before.Parity);
}

TEST_F(COMPortTest, ClosedPortRefusesEveryOperationWithItsOwnMessage) {
    TCOMPort port;
    EXPECT_FALSE(port.Opened());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_EQ(port.Close(), -1);
    EXPECT_EQ(port.PurgeComm(12), -1);

    ExpectRaises([&] { port.SetCOMPortOptions("9600,N,8,1"); }, "Port not opened", 0, "TCOMPort",
                 "SetCOMPortOptions");
    EXPECT_EQ(port.OptionsText(), "9600,N,8,1");
    ExpectRaises([&] { port.SetDCB(); }, "Port not opened", 0, "TCOMPort", "SetDCB");
    ExpectRaises([&] { port.SetTimeouts(DefaultTimeouts); }, "Port not opened", 0, "TCOMPort",
                 "SetTimeouts");
    EXPECT_EQ(port.Timeouts().ReadTotalTimeoutConstant, 0u);
    ExpectRaises([&] { port.SetBufSize(1024, 1024); }, "Port not opened", 0, "TCOMPort",
                 "SetBufSize");
    char byte = 0;
    ExpectRaises([&] { port.Get(&byte, 1); }, "Error reading COM port", EBADF, "TComPort", "Get");
    ExpectRaises([&] { port.Send("x", 1); }, "Can not write to COM port", EBADF, "TCOMPort",
                 "Send");
}

TEST_F(COMPortTest, OpensExclusivelyAndReopensByTheLastName) {
    TCOMPort port;
    EXPECT_EQ(port.Open("COM2"), 0);
    EXPECT_TRUE(port.Opened());
    EXPECT_GE(port.Handle(), 0);
    EXPECT_EQ(port.PortName(), "COM2");
    EXPECT_EQ(port.DevicePath(), Line.SlavePath());

    // A second opener is refused while the first holds the device (this runs as root too).
    TCOMPort second;
    ExpectRaises([&] { second.Open("COM2"); }, "Error opening COM2 port.", EBUSY, "TCOMPort",
                 "Open");
    EXPECT_FALSE(second.Opened());
    EXPECT_EQ(second.Handle(), -1);
    char byte = 0;
    ExpectRaises([&] { second.Get(&byte, 1); }, "Error reading COM port", EBADF, "TComPort",
                 "Get");
    ExpectRaises([&] { second.Open(Line.SlavePath()); },
                 "Error opening " + Line.SlavePath() + " port.", EBUSY, "TCOMPort", "Open");

    // Open on an open port closes it first, purging what waits; an empty name means COM2 again.
    port.SetTimeouts(DefaultTimeouts);
    Line.Write("stale");
    EXPECT_EQ(port.Open(""), 0);
    EXPECT_EQ(port.PortName(), "COM2");
    port.SetTimeouts(DefaultTimeouts);
    char buffer[16];
    EXPECT_EQ(port.Get(buffer, sizeof buffer), 0);

    EXPECT_EQ(port.Close(), 0);
    EXPECT_FALSE(port.Opened());
    EXPECT_EQ(port.Close(), -1);
    EXPECT_EQ(second.Open("COM2"), 0);
}

TEST_F(COMPortTest, OpenFailsOnMissingDevicesAndOnFilesThatAreNoTerminal) {
    TTempDir folder;
    WriteWholeFile(folder.File("plain"), "x");
    SetSerialDevice(7, folder.File("missing"));
    SetSerialDevice(8, folder.File("plain"));
    TCOMPort port;
    ExpectRaises([&] { port.Open("COM7"); }, "Error opening COM7 port.", ENOENT, "TCOMPort", "Open");
    EXPECT_EQ(port.DevicePath(), folder.File("missing"));
    ExpectRaises([&] { port.Open("COM8"); }, "Error opening COM8 port.", ENOTTY, "TCOMPort", "Open");
    EXPECT_FALSE(port.Opened());
}

TEST_F(COMPortTest, AppliesTheInstrumentLineInRawModeWithoutFlowControl) {
    TCOMPort port;
    port.Open("COM2");
    EXPECT_EQ(port.SetCOMPortOptions("9600,N,8,1"), 0);
    EXPECT_EQ(port.DCB().BaudRate, 9600u);
    EXPECT_EQ(port.DCB().ByteSize, 8);

    termios applied{};
    ASSERT_EQ(tcgetattr(Line.SlaveHandle(), &applied), 0);
    EXPECT_EQ(cfgetispeed(&applied), B9600);
    EXPECT_EQ(cfgetospeed(&applied), B9600);
    EXPECT_EQ(applied.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(applied.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(applied.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(applied.c_iflag & (IXON | IXOFF | ICRNL | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(applied.c_oflag & OPOST, 0u);
}

TEST_F(COMPortTest, RejectedSettingsRaiseTheirMessagesAndLeaveThePortOpen) {
    TCOMPort port;
    port.Open("COM2");
    ExpectRaises([&] { port.SetCOMPortOptions("9600,Q,8,1"); }, "Error buliding DCB structure", 0,
                 "TCOMPort", "SetCOMPortOptions");
    EXPECT_EQ(port.OptionsText(), "9600,Q,8,1");
    // Valid texts the terminal cannot take: four data bits, a rate it does not know.
    for (const char* text : {"9600,N,4,1", "14400,N,8,1", "9600,N,8,1.5"})
        ExpectRaises([&] { port.SetCOMPortOptions(text); },
                     "Error setting DCB structure for COM2 port...", EINVAL, "TCOMPort", "SetDCB");
    EXPECT_TRUE(port.Opened());

    EXPECT_EQ(port.SetBufSize(4096, 0), 0);
    EXPECT_EQ(port.InputBufferSize(), 4096);
    EXPECT_EQ(port.OutputBufferSize(), 4096);
    ExpectRaises([&] { port.SetBufSize(-1, 10); }, "Cannot set buffer size for COM2 port...",
                 EINVAL, "TCOMPort", "SetBufSize");
    EXPECT_EQ(port.InputBufferSize(), 4096);
    ExpectRaises([&] { port.PurgeComm(16); }, "Errror during PurgeComm", EINVAL, "TCOMPort",
                 "PurgeComm");
    EXPECT_EQ(port.PurgeComm(12), 0);
    EXPECT_TRUE(port.Opened());
}

TEST_F(COMPortTest, SendsBytesToTheFarEnd) {
    TCOMPort port;
    OpenConfigured(port, DefaultTimeouts);
    EXPECT_EQ(port.Send("hello\r", 6), 6);
    EXPECT_EQ(Line.Read(1000), "hello\r");
}

TEST_F(COMPortTest, ReadEndsAtTheCountAtTheIntervalOrAtTheTotalTime) {
    TCOMPort port;
    char buffer[631];

    // A silent line: the total time-out of 100 ms ends the read with nothing.
    OpenConfigured(port, DefaultTimeouts);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Get(buffer, 631), 0);
    EXPECT_GE(MsSince(start), 95);
    EXPECT_LT(MsSince(start), 2000);

    // The count is reached before anything else; the rest waits for the next read.
    Line.Write("0123456789");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(port.Get(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(port.Get(buffer, 631), 6);
    EXPECT_EQ(std::string(buffer, 6), "456789");

    // Interval only (no total): bytes 20 ms apart belong to one read, a long pause ends it.
    port.SetTimeouts({250, 0, 0, 0, 0});
    std::thread instrument([this] {
        for (const char* part : {"a", "b", "c"}) {
            Line.Write(part);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Line.Write("d");
    });
    EXPECT_EQ(port.Get(buffer, 631), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(port.Get(buffer, 631), 1);
    instrument.join();

    // The multiplier counts per requested byte: 2 ms * 100 + 50 ms.
    port.SetTimeouts({0, 2, 50, 0, 0});
    start = Clock::now();
    EXPECT_EQ(port.Get(buffer, 100), 0);
    EXPECT_GE(MsSince(start), 245);
}

TEST_F(COMPortTest, ReadWithoutTimeOutsWaitsForTheFullCount) {
    TCOMPort port;
    OpenConfigured(port, {0, 0, 0, 0, 0});
    std::thread instrument([this] {
        Line.Write("1234");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Line.Write("567890");
    });
    char buffer[10];
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Get(buffer, 10), 10);
    EXPECT_GE(MsSince(start), 250);
    EXPECT_EQ(std::string(buffer, 10), "1234567890");
    instrument.join();

    // The abort check ends such a read early with what has arrived.
    std::atomic<bool> abort{false};
    port.SetReadAbortCheck([&abort] { return abort.load(); });
    std::thread stopper([&] {
        Line.Write("xy");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        abort = true;
    });
    EXPECT_EQ(port.Get(buffer, 10), 2);
    stopper.join();
}

TEST_F(COMPortTest, MaxdwordIntervalReturnsWhatIsWaiting) {
    TCOMPort port;
    char buffer[64];
    OpenConfigured(port, {MAXDWORD, 0, 0, 0, 0});
    Clock::time_point start = Clock::now();
    EXPECT_EQ(port.Get(buffer, 64), 0);
    EXPECT_LT(MsSince(start), 1000);  // without the special case it would wait for 64 bytes
    Line.Write("abc");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(port.Get(buffer, 64), 3);

    // With the multiplier at MAXDWORD too: the first bytes end the read, else the constant.
    port.SetTimeouts({MAXDWORD, MAXDWORD, 150, 0, 0});
    start = Clock::now();
    EXPECT_EQ(port.Get(buffer, 64), 0);
    EXPECT_GE(MsSince(start), 145);
    std::thread instrument([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Line.Write("de");
    });
    EXPECT_EQ(port.Get(buffer, 64), 2);
    instrument.join();
}

TEST_F(COMPortTest, HangUpFailsTheReadAndThePurgeButTheDeviceIsReleased) {
    {
        TCOMPort port;
        OpenConfigured(port, DefaultTimeouts);
        Line.CloseSlave();
        Line.CloseMaster();
        char buffer[16];
        ExpectRaises([&] { port.Get(buffer, 16); }, "Error reading COM port", EIO, "TComPort",
                     "Get");
        // A device that has gone refuses everything else too.
        ExpectRaises([&] { port.Send("x", 1); }, "Can not write to COM port", EIO, "TCOMPort",
                     "Send");
        ExpectRaises([&] { port.SetDCB(); }, "Error setting DCB structure for COM2 port...", EIO,
                     "TCOMPort", "SetDCB");
        ExpectRaises([&] { port.SetTimeouts({1, 2, 3, 4, 5}); },
                     "Error setting timeouts for COM2 port...", 0, "TCOMPort", "SetTimeouts");
        EXPECT_EQ(port.Timeouts().WriteTotalTimeoutConstant, 5u);
        ExpectRaises([&] { port.SetBufSize(512, 512); }, "Cannot set buffer size for COM2 port...",
                     EIO, "TCOMPort", "SetBufSize");
        ExpectRaises([&] { port.Close(); }, "Errror during PurgeComm", EIO, "TCOMPort",
                     "PurgeComm");
        EXPECT_TRUE(port.Opened());
        // Destroyed while open on a hung-up device: released without raising.
    }
    SUCCEED();
}
