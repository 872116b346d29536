#pragma once

#include "recording/ArchiveConversion.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QProgressBar;

// Runs an archive conversion on a worker thread while the window stays responsive: the
// progress bar follows the bytes read (0..100, back to 0 at the end), Cancel ends it at the
// next progress step (the files written so far are kept, each left as it stood), and `done`
// gets the summary on the user-interface thread.
// Thread rule: user-interface thread only; the worker touches nothing but its job.
class TArchiveConversionRunner : public QObject {
    Q_OBJECT

public:
    using TDone = std::function<void(const TConversionSummary& summary)>;

    TArchiveConversionRunner(QProgressBar* progressBar, QObject* parent);
    // Cancels a running conversion and waits for its worker.
    ~TArchiveConversionRunner() override;

    // False, and nothing started, while another conversion runs.
    bool Start(TConversionJob job, TDone done);
    void Cancel();
    bool Running() const { return FJob != nullptr; }

signals:
    void RunningChanged(bool running);

private:
    struct TJob {
        std::atomic<bool> Cancel{false};
        std::uint64_t TotalBytes = 0;
    };

    void Ended(const std::shared_ptr<TJob>& job, const TConversionSummary& summary);

    QPointer<QProgressBar> FProgressBar;
    std::shared_ptr<TJob> FJob;
    std::thread FWorker;
    TDone FDone;
};
