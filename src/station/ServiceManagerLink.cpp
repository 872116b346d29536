#include "station/ServiceManagerLink.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

TServiceManagerLink::TServiceManagerLink(std::function<std::string()> status)
    : FStatus(std::move(status)) {
    const char* socket = std::getenv("NOTIFY_SOCKET");
    FEnabled = socket && *socket;
    if (!FEnabled) return;
    std::uint64_t watchdog = 0;
    // Positive only when WATCHDOG_USEC is set and meant for this process (WATCHDOG_PID).
    if (sd_watchdog_enabled(0, &watchdog) > 0 && watchdog > 0) {
        const auto half =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::microseconds(watchdog) / 2);
        FWatchdogTimer.setInterval(std::max(half, std::chrono::milliseconds(1)));
        // Precise: a coarse timer may fire late by 5 %, which eats into the margin.
        FWatchdogTimer.setTimerType(Qt::PreciseTimer);
        connect(&FWatchdogTimer, &QTimer::timeout, this, [this] { Send("WATCHDOG=1"); });
        // Pinged from the start: opening the port and the folders counts against the watchdog too.
        FWatchdogTimer.start();
    }
    FStatusTimer.setInterval(StatusPeriod);
    connect(&FStatusTimer, &QTimer::timeout, this, &TServiceManagerLink::SendStatusIfChanged);
}

void TServiceManagerLink::Ready() {
    if (!FEnabled) return;
    FLastStatus = FStatus();
    Send("READY=1\nSTATUS=" + FLastStatus);
    FStatusTimer.start();
}

void TServiceManagerLink::Stopping() {
    if (!FEnabled) return;
    FStatusTimer.stop();
    Send("STOPPING=1\nSTATUS=stopping: recording what was received, closing the files");
}

void TServiceManagerLink::Status(const std::string& text) {
    if (!FEnabled) return;
    FLastStatus = text;
    Send("STATUS=" + text);
}

void TServiceManagerLink::SendStatusIfChanged() {
    std::string status = FStatus();
    if (status == FLastStatus) return;
    FLastStatus = std::move(status);
    Send("STATUS=" + FLastStatus);
}

void TServiceManagerLink::Send(const std::string& message) {
    // A failed send is not worth stopping the recording for: the watchdog acts on missed pings.
    sd_notify(0, message.c_str());
}
