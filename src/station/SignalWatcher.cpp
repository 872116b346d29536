#include "station/SignalWatcher.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int signalNumber) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing else is async-signal-safe enough here; a full pipe only loses a duplicate.
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

}  // namespace

TSignalWatcher::TSignalWatcher(QObject* parent) : QObject(parent) {
    if (SignalPipe[0] < 0) {
        if (::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error("Could not create the signal pipe");
    }
    FNotifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, &TSignalWatcher::Drain);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

TSignalWatcher::~TSignalWatcher() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void TSignalWatcher::Drain() {
    unsigned char byte = 0;
    int received = 0;
    while (::read(SignalPipe[0], &byte, 1) == 1) received = byte;
    if (received == 0) return;
    FLastSignal = received;
    emit StopRequested(received);
}
