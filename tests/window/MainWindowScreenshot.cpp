// Writes docs/main-window.png (a recorded file in all five graphs, with the mouse readout and
// cursor lines) and docs/main-window-acquiring.png (the window recording, as in the demo), in
// the DejaVu fonts. Disabled in the suite; run them with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*MainWindowScreenshot*'

#include "MainFormFixture.h"


#include "app/window/WindowNotifier.h"

#include <QFont>

#include "QuietDay.h"

namespace {


class DISABLED_MainWindowScreenshot : public MainFormTest {
protected:
    DISABLED_MainWindowScreenshot() {
        PreviousFont = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    }
    ~DISABLED_MainWindowScreenshot() override { QApplication::setFont(PreviousFont); }

    void ShowLarge() {
        Make();
        Main().resize(960, 680);
        Show();
        Main().activateWindow();
        ProcessEventsUntil([this] { return Main().isActiveWindow(); }, 500);
    }
    static void Save(QWidget& window, const char* name) {
        const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/") + QLatin1String(name);
        ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
    }

    QFont PreviousFont;
};

}  // namespace

TEST_F(DISABLED_MainWindowScreenshot, ViewedFileWithReadout) {
    ShowLarge();
    TOstrelMainForm& main = Main();
    TChannelGraphs& graphs = *main.Graphs();
    main.SetViewMode(true);
    std::mt19937 random(20240105);
    {
        TBulkGraphLoad load(graphs);
        for (int s = 0; s < 3 * 3600; ++s) graphs.AddSample(Stamp(s), QuietDay(s, random));
    }
    graphs.UpdateZoomRanges();
    main.ShowFileInCaption("ARCHIVE/2024/01/20240105120000.orv");
    Settle();
    graphs.ReplotNow();

    main.CrossMouseCB()->setChecked(true);
    TChannelChart& chart = *graphs.Chart(1);
    const QPoint at(chart.PlotRect().left() + chart.PlotRect().width() * 11 / 20,
                    chart.PlotRect().center().y());
    Press(chart, at);
    Release(chart, at);
    Settle();
    Hover(chart, at);
    ASSERT_GT(graphs.CrossHairX(0), 0);
    ASSERT_FALSE(main.ReadoutPanel()->text().isEmpty());
    Save(main, "main-window.png");
}

TEST_F(DISABLED_MainWindowScreenshot, Acquiring) {
    ShowLarge();
    // The port's reports reach the status bar as in the program.
    TWindowNotifier notifier(&Main());
    notifier.SetReportSink(
        [this](TReportKind kind, const std::string& text) { Main().ShowReport(kind, text); });
    StartOnTerminal();
    // A hundred seconds of the instrument's lines, sent at once rather than waited for.
    std::mt19937 random(20240105);
    std::string lines;
    for (int s = 0; s < 100; ++s) lines += FormatInstrumentLine(Stamp(4000 + s), QuietDay(4000 + s, random)) + "\r\n";
    Terminal.Write(lines);
    ASSERT_TRUE(ProcessEventsUntil([this] { return Main().RunStatus().SamplesRecorded() == 100; }, 20000));
    ProcessEventsUntil([] { return false; }, 600);
    Main().Graphs()->ReplotNow();
    Save(Main(), "main-window-acquiring.png");
    Main().StopAcquisition(false);
}
