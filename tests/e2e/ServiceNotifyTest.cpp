// The headless recorder run as systemd would run a notify service: its messages are read from a
// datagram socket the test binds and names in NOTIFY_SOCKET.

#include "PseudoTerminal.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// The service manager's end: a datagram socket bound to a path, named to the children started
// while it lives (and the watchdog interval with it).
class TNotifySocket {
public:
    TNotifySocket(const std::string& path, const char* watchdogMicroseconds) {
        FSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        if (FSocket < 0 || ::bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            throw std::runtime_error("could not bind the notify socket " + path);
        ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
        ::setenv("WATCHDOG_USEC", watchdogMicroseconds, 1);
    }
    ~TNotifySocket() {
        ::unsetenv("NOTIFY_SOCKET");
        ::unsetenv("WATCHDOG_USEC");
        ::close(FSocket);
    }

    // The next message; empty when none came within the time-out.
    std::string Receive(std::chrono::milliseconds timeout) {
        pollfd ready{FSocket, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(timeout.count())) != 1) return {};
        char buffer[4096];
        const ssize_t size = ::recv(FSocket, buffer, sizeof buffer, 0);
        return size > 0 ? std::string(buffer, static_cast<std::size_t>(size)) : std::string();
    }

private:
    int FSocket = -1;
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ServiceNotify : public ::testing::Test {
protected:
    TTempDir Directory{true};
    std::string Settings = Directory.File("station.ini");
    TNotifySocket Manager{Directory.File("notify"), "400000"};  // pings every 200 ms
};

}  // namespace

TEST_F(ServiceNotify, ReadyThenWatchdogAtHalfTheIntervalAndStatusWithTheLinesThenStopping) {
    WriteWholeFile(Settings, "[Options]\nAutoCreateIntermagnet=0\n");
    TPseudoTerminal terminal;
    auto recorder = StartRecorder(terminal.SlavePath(), Settings);
    ASSERT_TRUE(recorder);
    const std::string ready = Manager.Receive(10s);
    EXPECT_TRUE(Has(ready, "READY=1\nSTATUS=recording: 0 lines recorded")) << ready;

    for (int second = 56; second <= 58; ++second)
        terminal.Write("2024 01 05 12 34 " + std::to_string(second) +
                       "  21345.67  -1234.50  45678.90  21.5  20.2\r\n");
    // The status follows within its period; the pings meanwhile come every half interval.
    const auto began = TClock::now();
    int pings = 0;
    std::string status;
    while (!Has(status, "STATUS=recording: 3 lines recorded, last sample 2024-01-05 12:34:58") &&
           TClock::now() - began < 10s) {
        const std::string message = Manager.Receive(1s);
        if (message == "WATCHDOG=1") ++pings;
        if (Has(message, "STATUS=")) status = message;
    }
    const auto elapsed = TClock::now() - began;
    EXPECT_TRUE(Has(status, "3 lines recorded, last sample 2024-01-05 12:34:58")) << status;
    EXPECT_EQ(status.find("last error"), std::string::npos) << status;
    // Missing a ping for a whole interval would be a restart; pinging much faster is noise.
    EXPECT_GE(pings, elapsed / 400ms - 1) << pings << " pings";
    EXPECT_LE(pings, elapsed / 100ms + 1) << pings << " pings";

    recorder->Signal(SIGTERM);
    std::string stopping;
    do stopping = Manager.Receive(10s);
    while (!stopping.empty() && !Has(stopping, "STOPPING=1"));
    EXPECT_TRUE(Has(stopping, "STOPPING=1")) << stopping;
    EXPECT_EQ(recorder->Wait(), 0) << recorder->ErrorOutput();
    EXPECT_TRUE(Has(recorder->ErrorOutput(), "stopped: 3 samples recorded"));
}

TEST_F(ServiceNotify, AnArchiveFolderThatCannotBeWrittenEndsTheStartWithItsReasonAndNoReadiness) {
    WriteWholeFile(Settings, "");
    WriteWholeFile("ARCHIVE", "a file where the folder belongs");
    TPseudoTerminal terminal;
    TSimProcess recorder(StationProgram,
                         {"--headless", "--port", terminal.SlavePath(), "--settings", Settings});
    EXPECT_EQ(recorder.Wait(), 1);
    const std::string expected =
        "the archive folder " + Directory.File("ARCHIVE") + " is not writable: ";
    EXPECT_TRUE(Has(recorder.ErrorOutput(), "error: " + expected)) << recorder.ErrorOutput();
    const std::string status = Manager.Receive(1s);
    EXPECT_TRUE(Has(status, "STATUS=failed to start: error: " + expected)) << status;
    EXPECT_EQ(Manager.Receive(100ms), "");  // never READY=1
}
