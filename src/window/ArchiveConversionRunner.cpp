#include "window/ArchiveConversionRunner.h"

#include "acquisition/HandOff.h"

#include <QProgressBar>

TArchiveConversionRunner::TArchiveConversionRunner(QProgressBar* progressBar, QObject* parent)
    : QObject(parent), FProgressBar(progressBar) {}

TArchiveConversionRunner::~TArchiveConversionRunner() {
    if (FJob) FJob->Cancel = true;
    if (FWorker.joinable()) FWorker.join();
}

bool TArchiveConversionRunner::Start(TConversionJob job, TDone done) {
    if (FJob) return false;
    if (FWorker.joinable()) FWorker.join();
    auto state = std::make_shared<TJob>();
    for (const TArchiveFile& file : job.Files) state->TotalBytes += file.Size;
    FJob = state;
    FDone = std::move(done);
    if (FProgressBar) {
        FProgressBar->setRange(0, 100);
        FProgressBar->setValue(0);
    }
    emit RunningChanged(true);
    FWorker = std::thread([this, state, job = std::move(job)]() mutable {
        int shown = 0;
        const auto progress = [this, state, &shown](std::uint64_t bytes, std::uint64_t) {
            const int percent =
                state->TotalBytes == 0 ? 100 : static_cast<int>(bytes * 100 / state->TotalBytes);
            if (percent != shown) {
                shown = percent;
                PostCall(this, [this, state, percent] {
                    if (state == FJob && FProgressBar) FProgressBar->setValue(percent);
                });
            }
            return !state->Cancel.load();
        };
        TConversionSummary summary = TArchiveConversion(std::move(job)).Run(progress);
        PostCall(this, [this, state, summary = std::move(summary)] { Ended(state, summary); });
    });
    return true;
}

void TArchiveConversionRunner::Cancel() {
    if (FJob) FJob->Cancel = true;
}

void TArchiveConversionRunner::Ended(const std::shared_ptr<TJob>& job,
                                     const TConversionSummary& summary) {
    if (job != FJob) return;
    if (FWorker.joinable()) FWorker.join();
    FJob.reset();
    if (FProgressBar) FProgressBar->setValue(0);
    const TDone done = std::move(FDone);
    FDone = nullptr;
    emit RunningChanged(false);
    if (done) done(summary);
}
