// Time from ViewDataFile to the drawn graphs, and the peak memory, for two recorded days:
// one line a second (86,400 lines, goal: at most 60 ms) and a day at the serial line's top rate
// (15.2 lines a second, 1,313,280 lines with fractional seconds such as "12.250"; goal: at most
// 0.5 s and 250 MB peak resident memory). The graphs sit in a window of the main window's size
// on the offscreen platform; the time runs from the call to the end of the replot that shows
// the file (ReplotNow), through the worker's read, the fill of all 25 series slots in use (five
// graphs) and the zoom ranges. Files are read from the page cache (warm).
//
//   QT_QPA_PLATFORM=offscreen build/bench/ViewerBench [repeats]   (default 5)

#include "station/DataFileLoader.h"
#include "window/ChannelGraphs.h"
#include "window/DataFileViewer.h"
#include "support/ProcessMemory.h"
#include "support/RecordedDay.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;

// The main window's graphs and progress bar, shown at its size.
struct TViewerWindow {
    TViewerWindow() {
        auto* layout = new QVBoxLayout(&Window);
        Graphs = new TChannelGraphs;
        layout->addWidget(Graphs, 1);
        Progress = new QProgressBar;
        layout->addWidget(Progress);
        Graphs->CreateDefaultSeries();
        Window.resize(1000, 760);
        Window.show();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        Viewer = new TDataFileViewer(*Graphs, Progress, &Window);
    }

    // Seconds from the call to the drawn graphs.
    double View(const fs::path& path) {
        QEventLoop loop;
        QObject::connect(Viewer, &TDataFileViewer::Finished, &loop, &QEventLoop::quit);
        const auto start = TClock::now();
        if (!Viewer->ViewDataFile(path.string())) return -1;
        loop.exec();
        Graphs->ReplotNow();
        return std::chrono::duration<double>(TClock::now() - start).count();
    }

    QWidget Window;
    TChannelGraphs* Graphs = nullptr;
    QProgressBar* Progress = nullptr;
    TDataFileViewer* Viewer = nullptr;
};

void Measure(TViewerWindow& window, const char* name, const fs::path& path, int repeats) {
    double best = 1e9, total = 0;
    double firstPeak = 0;
    for (int i = 0; i < repeats; ++i) {
        const double seconds = window.View(path);
        if (i == 0) firstPeak = PeakResidentKb() / 1024.0;
        best = std::min(best, seconds);
        total += seconds;
    }
    std::printf("%-20s %8d points/series  best %7.1f ms  mean %7.1f ms  peak RSS after the "
                "first view %6.1f MB, after all %6.1f MB, now %6.1f MB\n",
                name, window.Graphs->PointCount(0, 0), best * 1e3, total / repeats * 1e3,
                firstPeak, PeakResidentKb() / 1024.0, CurrentResidentKb() / 1024.0);
}

// The same steps one after the other on this thread, to see where the time goes.
void Breakdown(TViewerWindow& window, const char* name, const fs::path& path) {
    TChannelGraphs& graphs = *window.Graphs;
    const auto start = TClock::now();
    TLoadedData data = LoadDataFile(path.string());
    const auto loaded = TClock::now();
    graphs.ClearGraphs();
    {
        TBulkGraphLoad load(graphs, static_cast<int>(data.Times.size()));
        std::array<double, 5> values;
        for (std::size_t i = 0; i < data.Times.size(); ++i) {
            for (std::size_t c = 0; c < 5; ++c) values[c] = data.Values[c][i];
            graphs.AddSample(data.Times[i], values);
        }
    }
    const auto filled = TClock::now();
    graphs.UpdateZoomRanges();
    graphs.ReplotNow();
    const auto drawn = TClock::now();
    auto ms = [](TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%-20s read %7.1f ms  fill %7.1f ms  zoom ranges and replot %7.1f ms\n", name,
                ms(loaded - start), ms(filled - loaded), ms(drawn - filled));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    const fs::path work = fs::temp_directory_path() / ("orvant-view-" + std::to_string(getpid()));
    fs::create_directories(work);
    const fs::path second = work / "second.orv";
    const fs::path fastest = work / "fastest.orv";
    WriteRecordedDay(second, TLineRate(1, 1), 86400, false);
    WriteRecordedDay(fastest, TLineRate(76, 5), 1313280, true);

    TViewerWindow window;
    std::printf("before viewing: resident %.1f MB, peak %.1f MB\n", CurrentResidentKb() / 1024.0, PeakResidentKb() / 1024.0);
    Measure(window, "1 s day", second, repeats);
    Measure(window, "15.2 Hz day", fastest, repeats);
    Breakdown(window, "1 s day, steps", second);
    Breakdown(window, "15.2 Hz day, steps", fastest);
    fs::remove_all(work);
}
