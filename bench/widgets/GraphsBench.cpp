// Speed of the channel graphs at the sizes a station meets: a day of one-second samples
// (86,400 points per series) and a long file of 1.3 million points per series.
//   - replot of the five charts (goal: at most 30 ms at 1.3 million points);
//   - one mouse readout with its cursor lines (goal: under 1 ms), with and without the widget
//     repaint that follows it;
//   - appending 1.3 million samples: a viewed file in one bulk load, the same point by point,
//     and live acquisition at limits of 100, 86,400 and 1,000,000 points (once full, each
//     append deletes the oldest point).
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_graphs

#include "window/ChannelGraphs.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int Day = 86400;
constexpr int Long = 1300000;
const TDateTime Origin = EncodeDateTime(2024, 1, 5, 0, 0, 0);

TDateTime Stamp(int second) { return Origin + second / SecondsPerDay; }

std::array<double, 5> Values(int second) {
    const double t = second;
    return {21345.6 + 12 * std::sin(t / 2000) + 0.05 * (second % 7),
            -1234.5 + 6 * std::cos(t / 1700) + 0.03 * (second % 5),
            45678.9 - 4 * std::sin(t / 2300) + 0.04 * (second % 3), 21.5 + 0.4 * std::sin(t / 9000),
            20.2 + 1.2 * std::sin(t / 7000)};
}

// Samples made once, so the appends are timed without computing them.
struct TSamples {
    std::vector<TDateTime> Times;
    std::vector<std::array<double, 5>> Values;
};

const TSamples& Samples() {
    static const TSamples samples = [] {
        TSamples made;
        made.Times.reserve(Long);
        made.Values.reserve(Long);
        for (int s = 0; s < Long; ++s) {
            made.Times.push_back(Stamp(s));
            made.Values.push_back(Values(s));
        }
        return made;
    }();
    return samples;
}

void AppendSamples(TChannelGraphs& graphs, int count) {
    const TSamples& samples = Samples();
    for (std::size_t s = 0; s < static_cast<std::size_t>(count); ++s)
        graphs.AddSample(samples.Times[s], samples.Values[s]);
}

// The component shown at a window's size with `points` samples of a viewed file.
std::unique_ptr<TChannelGraphs> LoadedGraphs(int points) {
    auto graphs = std::make_unique<TChannelGraphs>();
    graphs->CreateDefaultSeries();
    graphs->resize(1000, 700);
    graphs->show();
    graphs->SetViewMode(true);
    {
        TBulkGraphLoad load(*graphs);
        AppendSamples(*graphs, points);
    }
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    graphs->ReplotNow();
    return graphs;
}

void Hover(QWidget& widget, QPoint at) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(widget.mapToGlobal(at)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void BM_ReplotFiveCharts(benchmark::State& state) {
    const auto graphs = LoadedGraphs(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int g = 0; g < 5; ++g)
            graphs->Chart(g)->replot(QCustomPlot::rpQueuedRefresh);
    }
    state.counters["points_per_series"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ReplotFiveCharts)->Arg(Day)->Arg(Long)->Unit(benchmark::kMillisecond);

// One mouse move: nearest point, readout text, five cursor lines moved on the overlay layer.
void MouseReadout(benchmark::State& state, bool repaint) {
    const auto graphs = LoadedGraphs(Long);
    graphs->SetMouseReadout(true);
    TChannelChart& chart = *graphs->Chart(2);
    const QRect plot = chart.PlotRect();
    int step = 0;
    for (auto _ : state) {
        // Across the whole plot, so each move lands on another point.
        const int x = plot.left() + 1 + (step++ * 37) % (plot.width() - 2);
        Hover(chart, QPoint(x, plot.center().y()));
        if (repaint)
            for (int g = 0; g < 5; ++g)
                graphs->Chart(g)->repaint();
    }
    benchmark::DoNotOptimize(graphs->ReadoutText());
}
void BM_MouseReadout(benchmark::State& state) { MouseReadout(state, false); }
void BM_MouseReadoutWithRepaint(benchmark::State& state) { MouseReadout(state, true); }
BENCHMARK(BM_MouseReadout)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MouseReadoutWithRepaint)->Unit(benchmark::kMicrosecond);

// Bulk load with the number of points known beforehand (0: not known).
void BM_AppendViewedFileInBulk(benchmark::State& state) {
    TChannelGraphs graphs;
    graphs.CreateDefaultSeries();
    graphs.SetViewMode(true);
    for (auto _ : state) {
        graphs.ClearGraphs();
        TBulkGraphLoad load(graphs, static_cast<int>(state.range(0)));
        AppendSamples(graphs, Long);
    }
    state.SetItemsProcessed(state.iterations() * Long);
}
BENCHMARK(BM_AppendViewedFileInBulk)->Arg(0)->Arg(Long)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendViewedFilePointByPoint(benchmark::State& state) {
    TChannelGraphs graphs;
    graphs.CreateDefaultSeries();
    graphs.SetViewMode(true);
    for (auto _ : state) {
        graphs.ClearGraphs();
        AppendSamples(graphs, Long);
    }
    state.SetItemsProcessed(state.iterations() * Long);
}
BENCHMARK(BM_AppendViewedFilePointByPoint)->Unit(benchmark::kMillisecond)->Iterations(3);

// The cost per append must not grow with the limit: deleting the oldest point is O(1) amortised.
void BM_AppendLiveAtTheLimit(benchmark::State& state) {
    TChannelGraphs graphs;
    graphs.CreateDefaultSeries();
    graphs.SetMaxPointsOnScreen(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        graphs.ClearGraphs();
        AppendSamples(graphs, Long);
    }
    state.SetItemsProcessed(state.iterations() * Long);
    state.counters["points_kept"] = graphs.PointCount(0, 0);
}
BENCHMARK(BM_AppendLiveAtTheLimit)
    ->Arg(100)
    ->Arg(Day)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
