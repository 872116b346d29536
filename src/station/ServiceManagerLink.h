#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>

// The recorder's side of systemd's notify protocol, used only when the service manager set
// NOTIFY_SOCKET (otherwise every call does nothing): readiness, the watchdog ping, a status line
// for `systemctl status`, and the start of the stop. The watchdog is pinged by a timer of the
// event loop at half the interval systemd asked for, so that a hung main thread misses its pings
// and gets restarted; the status line is sent when it has changed, checked every StatusPeriod.
// Thread rule: created and used on the main thread, whose event loop runs the timers.
class TServiceManagerLink : public QObject {
    Q_OBJECT
public:
    // `status` gives the current status line; it is called on the main thread.
    explicit TServiceManagerLink(std::function<std::string()> status);

    // READY=1 with the first status line; from now on the status line is kept current.
    void Ready();
    // STOPPING=1: the stop has begun (what was received is still being recorded).
    void Stopping();
    // A status line of its own (a failure to start, the stop under way).
    void Status(const std::string& text);

    static constexpr std::chrono::milliseconds StatusPeriod{2000};

private:
    void Send(const std::string& message);
    void SendStatusIfChanged();

    std::function<std::string()> FStatus;
    bool FEnabled;
    QTimer FWatchdogTimer;
    QTimer FStatusTimer;
    std::string FLastStatus;
};
