#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Turns SIGINT and SIGTERM into a Qt signal on the thread that owns the watcher, through a
// self-pipe, so that the stop sequence runs on the event loop and not inside a signal handler.
// Thread rule: create and use on the user-interface thread; one watcher per process.
class TSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit TSignalWatcher(QObject* parent = nullptr);
    ~TSignalWatcher() override;

    // The signal number last received (0 when none).
    int LastSignal() const { return FLastSignal; }

signals:
    void StopRequested(int signalNumber);

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> FNotifier;
    int FLastSignal = 0;
};
