#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QProgressBar;
class QWidget;
class TChannelGraphs;
struct TLoadedData;

// How a ViewDataFile ended.
enum class TViewOutcome {
    Viewed,        // the file's points are in the graphs (bad lines, if any, were reported)
    CannotOpen,    // the file could not be opened or read; the error box named the reason
    NotADataFile,  // binary content or an overlong line; refused with one box, graphs unchanged
    Cancelled,     // CancelLoad, the window's close, or acquisition started meanwhile
    Failed,        // an error while the points went into the graphs; reported in a box
};

// Loads recorded data files into the channel graphs for viewing.
//
// ViewDataFile returns at once: the file is read on a worker thread while the window stays
// responsive and the progress bar follows the reading (0..100, back to 0 at the end). When the
// data is in memory, the user-interface thread empties the graphs, hands all points to every
// series (hidden graphs too), sets the zoom controls' ranges, emits FileShown, reports bad
// lines and finally signals Finished. The graphs are emptied only once the file has proved to
// be a text file of lines, so a refused file leaves the view as it was.
//
// One load at a time: a ViewDataFile while one runs is refused. The window's close, CancelLoad
// and the destructor abandon a running load; a load that completes while the graphs are
// acquiring is dropped.
//
// Messages (through the notifier): a file that cannot be opened or read, and a file that is not
// a data file, give one error box with the error's text. Of the bad lines, the first gives the
// packet's box and "Error detected in line: n" (n good lines before it); the others are counted
// and reported together in one box at the end.
// Thread rule: user-interface thread only; the worker it starts touches nothing but its job.
class TDataFileViewer : public QObject {
    Q_OBJECT

public:
    using TDone = std::function<void(TViewOutcome outcome)>;

    // The graphs and the progress bar (may be null) belong to `window`, which is also the
    // parent; a close event of the window cancels a running load.
    TDataFileViewer(TChannelGraphs& graphs, QProgressBar* progressBar, QWidget* window);
    // Abandons a running load and waits for its worker.
    ~TDataFileViewer() override;

    // Starts viewing a file: view mode on, ViewedFileName set, the load begun. `done` runs
    // when it has ended (not after a cancel through the destructor). False, and nothing
    // changed, while another load runs or the graphs are acquiring.
    bool ViewDataFile(const std::string& fileName, TDone done = {});
    bool Loading() const { return FJob != nullptr; }
    // Abandons a running load: the graphs stay as they were; `done` and Finished get
    // Cancelled. Returns once the worker has ended.
    void CancelLoad();

    // The name given to the last ViewDataFile.
    const std::string& ViewedFileName() const { return FViewedFileName; }

signals:
    // The file's points are shown: the window puts "<ORVANT-3K>    File: " + name in its
    // caption.
    void FileShown(const std::string& fileName);
    void LoadingChanged(bool loading);
    void Finished(TViewOutcome outcome);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TJob;

    void StartWorker(const std::shared_ptr<TJob>& job);
    void ShowProgress(const TJob* job, int percent);
    void LoadEnded(const std::shared_ptr<TJob>& job);
    TViewOutcome ShowLoadedData(const std::shared_ptr<TJob>& job);
    void FillGraphs(const TLoadedData& data);
    void ReportBadLines(const TLoadedData& data);
    void StopWorker();
    void End(TViewOutcome outcome);

    TChannelGraphs& FGraphs;
    QPointer<QProgressBar> FProgressBar;
    std::string FViewedFileName;
    std::shared_ptr<TJob> FJob;
    std::thread FWorker;
    TDone FDone;
};

// The line of the bad-lines summary: "1 more line could not be read and was skipped." or
// "<count> more lines could not be read and were skipped."
std::string SkippedLinesText(std::uint64_t count);
// "Error detected in line: " + the number of good lines before the bad one.
std::string BadLineNumberText(std::uint64_t goodLinesBefore);
