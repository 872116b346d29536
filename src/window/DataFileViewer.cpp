#include "window/DataFileViewer.h"

#include "acquisition/HandOff.h"
#include "acquisition/LogicalPacket.h"
#include "acquisition/Notifier.h"
#include "acquisition/RuntimeErrors.h"
#include "station/DataFileLoader.h"
#include "window/ChannelGraphs.h"

#include <QEvent>
#include <QProgressBar>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <exception>

namespace {

constexpr std::chrono::milliseconds ProgressInterval{50};

}  // namespace

// One load: what the worker reads and what it hands back.
// Thread rule: the worker writes Data and Error, then posts the end; the user-interface thread
// reads them only after that post has arrived. Cancel is shared; Applying is the UI thread's.
struct TDataFileViewer::TJob {
    std::string Path;
    std::atomic<bool> Cancel{false};
    TLoadedData Data;
    std::exception_ptr Error;
    // The data is going into the graphs: nothing is left to cancel.
    bool Applying = false;
};

TDataFileViewer::TDataFileViewer(TChannelGraphs& graphs, QProgressBar* progressBar,
                                 QWidget* window)
    : QObject(window), FGraphs(graphs), FProgressBar(progressBar) {
    if (window)
        window->installEventFilter(this);
}

TDataFileViewer::~TDataFileViewer() { StopWorker(); }

bool TDataFileViewer::ViewDataFile(const std::string& fileName, TDone done) {
    // View mode during acquisition would lift the graphs' point limit.
    if (FJob || FGraphs.Acquiring())
        return false;
    FGraphs.SetViewMode(true);
    FViewedFileName = fileName;
    auto job = std::make_shared<TJob>();
    job->Path = fileName;
    FJob = job;
    FDone = std::move(done);
    if (FProgressBar) {
        FProgressBar->setRange(0, 100);
        FProgressBar->setValue(0);
    }
    try {
        StartWorker(job);
    } catch (...) {
        // No thread to be had: nothing was started, so nothing is reported as ended.
        FJob.reset();
        FDone = {};
        throw;
    }
    emit LoadingChanged(true);
    return true;
}

void TDataFileViewer::CancelLoad() {
    if (!FJob || FJob->Applying)
        return;
    StopWorker();
    End(TViewOutcome::Cancelled);
}

bool TDataFileViewer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == parent())
        CancelLoad();
    return QObject::eventFilter(watched, event);
}

void TDataFileViewer::StartWorker(const std::shared_ptr<TJob>& job) {
    // The worker may post to this object: the destructor waits for it before the object goes.
    FWorker = std::thread([this, job] {
        TLoadOptions options;
        options.Cancel = &job->Cancel;
        // Only the first bad line is reported one by one; the others are counted.
        options.MaxListedBadLines = 1;
        // A progress bar repaints at once on every new value: a few steps a second are enough,
        // and a file read in a blink shows only its end.
        auto lastShown = std::chrono::steady_clock::now();
        options.Progress = [this, job, &lastShown](double fraction) {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastShown < ProgressInterval && fraction < 1.0)
                return;
            lastShown = now;
            const int percent = static_cast<int>(fraction * 100);
            PostCall(this, [this, job, percent] { ShowProgress(job.get(), percent); });
        };
        try {
            job->Data = LoadDataFile(job->Path, options);
        } catch (...) {
            job->Error = std::current_exception();
        }
        PostCall(this, [this, job] { LoadEnded(job); });
    });
}

void TDataFileViewer::ShowProgress(const TJob* job, int percent) {
    if (job == FJob.get() && FProgressBar)
        FProgressBar->setValue(percent);
}

void TDataFileViewer::LoadEnded(const std::shared_ptr<TJob>& job) {
    // A cancelled load's end arrives after its cancel: nothing more to do.
    if (job != FJob)
        return;
    if (FWorker.joinable())
        FWorker.join();
    job->Applying = true;
    QPointer<TDataFileViewer> alive(this);
    const TViewOutcome outcome = ShowLoadedData(job);
    // The boxes of ShowLoadedData run their own event loops.
    if (alive && FJob == job)
        End(outcome);
}

TViewOutcome TDataFileViewer::ShowLoadedData(const std::shared_ptr<TJob>& job) {
    if (job->Error) {
        try {
            std::rethrow_exception(job->Error);
        } catch (const EInOutError& error) {
            Notifier().ErrorBox(error.what());
            return TViewOutcome::CannotOpen;
        } catch (const ENotADataFile& error) {
            Notifier().ErrorBox(error.what());
            return TViewOutcome::NotADataFile;
        } catch (const std::exception& error) {
            Notifier().ErrorBox(error.what());
            return TViewOutcome::Failed;
        }
    }
    // Acquisition has started since: its points own the graphs now.
    if (job->Data.Cancelled || FGraphs.Acquiring())
        return TViewOutcome::Cancelled;

    // Moved out of the job, so the columns are freed before any box waits for the user.
    TLoadedData data = std::move(job->Data);
    FGraphs.ClearGraphs();
    try {
        FillGraphs(data);
    } catch (const std::exception& error) {
        FGraphs.UpdateZoomRanges();
        Notifier().ErrorBox(error.what());
        return TViewOutcome::Failed;
    }
    data.Times = {};
    data.Values = {};
    FGraphs.UpdateZoomRanges();
    emit FileShown(FViewedFileName);
    ReportBadLines(data);
    return TViewOutcome::Viewed;
}

void TDataFileViewer::FillGraphs(const TLoadedData& data) {
    const auto expected = static_cast<int>(std::min<std::size_t>(data.Times.size(), INT_MAX));
    // Every series receives every point (view mode). A file whose times go back somewhere is
    // sorted per series when the bulk load ends.
    TBulkGraphLoad load(FGraphs, expected);
    std::array<double, 5> values;
    for (std::size_t i = 0; i < data.Times.size(); ++i) {
        for (std::size_t c = 0; c < values.size(); ++c)
            values[c] = data.Values[c][i];
        FGraphs.AddSample(data.Times[i], values);
    }
}

void TDataFileViewer::ReportBadLines(const TLoadedData& data) {
    if (data.BadLineCount == 0)
        return;
    Notifier().ErrorBox(BadLineMessage(data.FirstBadLineText));
    if (!data.BadLines.empty())
        Notifier().ErrorBox(BadLineNumberText(data.BadLines.front().GoodLinesBefore));
    if (data.BadLineCount > 1)
        Notifier().ErrorBox(SkippedLinesText(data.BadLineCount - 1));
}

void TDataFileViewer::StopWorker() {
    if (FJob)
        FJob->Cancel = true;
    if (FWorker.joinable())
        FWorker.join();
}

void TDataFileViewer::End(TViewOutcome outcome) {
    FJob.reset();
    if (FProgressBar)
        FProgressBar->setValue(0);
    // Taken first: the callback may start the next load.
    TDone done = std::move(FDone);
    FDone = {};
    emit LoadingChanged(false);
    emit Finished(outcome);
    if (done)
        done(outcome);
}

std::string SkippedLinesText(std::uint64_t count) {
    if (count == 1)
        return "1 more line could not be read and was skipped.";
    return std::to_string(count) + " more lines could not be read and were skipped.";
}

std::string BadLineNumberText(std::uint64_t goodLinesBefore) {
    return "Error detected in line: " + std::to_string(goodLinesBefore);
}
