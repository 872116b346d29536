// End-to-end rate of the acquisition link: lines written to a pseudo-terminal, read by the
// reader thread, queued, handed by the processing thread to a handler on the main thread. The
// main thread either runs its event loop (as the window does) or waits serving the hand-offs
// (as the stop sequence does). Every line must arrive, in order.
//
//   LinkThroughputBench [lines]     (default 200000)
#include "acquisition/ComPortThread.h"
#include "acquisition/HandOff.h"
#include "acquisition/PacketSemaphore.h"
#include "acquisition/ProcessingThread.h"
#include "acquisition/SampleHandler.h"
#include "acquisition/SerialDevices.h"
#include "instrument/InstrumentLine.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct TPty {
    int Master = -1;
    int Slave = -1;
    std::string Path;
    TPty() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&Master, &Slave, name, &raw, nullptr) != 0) std::abort();
        Path = name;
    }
    ~TPty() {
        close(Slave);
        close(Master);
    }
};

class TCheckingHandler : public TSampleHandler {
public:
    explicit TCheckingHandler(const std::vector<std::string>& expected) : FExpected(expected) {}
    void HandleSample(const TLogicalPacket& packet) override {
        if (Received < FExpected.size() && packet.Line() != FExpected[Received]) ++Mismatches;
        ++Received;
    }
    std::size_t Received = 0;
    std::size_t Mismatches = 0;

private:
    const std::vector<std::string>& FExpected;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One run; returns lines per second, or a negative value when lines went missing. Adds the
// process's processor time (all threads, the writer included) to `cpuSeconds`.
double RunOnce(const std::vector<std::string>& lines, bool eventLoop, double& cpuSeconds) {
    TPty pty;
    SetSerialDevice(9, pty.Path);
    TCOMPortSettings settings;
    settings.COMPort = 8;
    TPacketSemaphore semaphore;
    TCheckingHandler handler(lines);
    TProcessingThread processing(semaphore, handler);
    processing.Start();
    TComPortThread reader(settings, processing.PacketQueue(), semaphore);
    reader.Start();
    while (reader.State() != TComPortThread::TState::Reading) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuSeconds();
    std::thread instrument([&] {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = write(pty.Master, bytes.data() + done, bytes.size() - done);
            if (put > 0) done += static_cast<std::size_t>(put);
        }
    });
    if (eventLoop) {
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (handler.Received >= lines.size()) QCoreApplication::exit(0);
        });
        check.start(10);
        QCoreApplication::exec();
    } else {
        ServeHandOffsUntil([&] { return handler.Received >= lines.size(); }, 120000);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    instrument.join();
    cpuSeconds += CpuSeconds() - cpuStart;
    reader.RequestStop();
    WaitServingHandOffs(reader);
    processing.RequestStop();
    WaitServingHandOffs(processing);
    if (handler.Received != lines.size() || handler.Mismatches != 0) return -1;
    return static_cast<double>(lines.size()) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const double x = i * 0.01;
        lines.push_back(FormatInstrumentLine(EncodeDateTime(2024, 1, 5, 0, 0, 0) + i / 86400.0,
                                             {x, -x, 40000 + x, 21.5, -3.0}));
    }
    int failures = 0;
    for (bool eventLoop : {true, false}) {
        std::vector<double> rates;
        double cpuSeconds = 0;
        for (int pass = 0; pass < 5; ++pass) {
            const double rate = RunOnce(lines, eventLoop, cpuSeconds);
            if (rate < 0) ++failures;
            rates.push_back(rate);
        }
        std::sort(rates.begin(), rates.end());
        std::printf("%-26s %d lines x 5: median %.0f lines/s, best %.0f, worst %.0f; "
                    "%.1f us processor time per line%s\n",
                    eventLoop ? "main thread in event loop" : "main thread serving wait", count,
                    rates[2], rates[4], rates[0], cpuSeconds * 1e6 / (5.0 * count),
                    failures ? "  LINES LOST" : "");
    }
    return failures == 0 ? 0 : 1;
}
