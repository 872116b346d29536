// Cost of one appended line in a full monitor window (the oldest line is cut at each append),
// for several line limits: the cut must not grow with the number of lines kept.

#include "ui/TextForm.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "MonitorTextBench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

const std::string Line = "2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2";

void BM_AppendToFullWindow(benchmark::State& state) {
    Application();
    const int maxLines = int(state.range(0));
    const QTemporaryDir settingsDir;
    TTextForm form(settingsDir.filePath("station.ini").toStdString());
    form.show();
    form.SetMaxLines(maxLines);
    for (int i = 0; i < maxLines; ++i) form.AppendLine(Line);
    for (auto _ : state) form.AppendLine(Line);
    if (form.LineCount() != maxLines) state.SkipWithError("the window did not keep its limit");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendToFullWindow)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// For comparison: Qt's own limit on a bare text area (which cuts at once when lowered, and
// cannot keep a limit of 0).
void BM_QtMaximumBlockCount(benchmark::State& state) {
    Application();
    const int maxLines = int(state.range(0));
    QPlainTextEdit edit;
    edit.show();
    edit.setMaximumBlockCount(maxLines);
    const QString line = QString::fromStdString(Line);
    for (int i = 0; i < maxLines; ++i) edit.appendPlainText(line);
    for (auto _ : state) edit.appendPlainText(line);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QtMaximumBlockCount)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
