// Writes the pictures of the main window at the size it opens with on a 96-dpi screen, in the
// DejaVu fonts: docs/main-window-first-seconds.png (the demo's first seconds: what a user sees
// first), docs/main-window-acquiring.png (the demo after a minute and a half) and
// docs/main-window.png (a recorded file in all five graphs, with the mouse readout and cursor
// lines). Disabled in the suite; run them with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*MainWindowScreenshot*'

#include "MainFormFixture.h"

#include "window/WindowNotifier.h"
#include "instrument/LineSource.h"

#include <QFont>
#include <QScreen>

#include "QuietDay.h"

namespace {

class DISABLED_MainWindowScreenshot : public MainFormTest {
protected:
    DISABLED_MainWindowScreenshot() {
        PreviousFont = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    }
    ~DISABLED_MainWindowScreenshot() override { QApplication::setFont(PreviousFont); }

    // The window as it opens, untouched in size.
    void ShowAsOpened() {
        Make();
        ASSERT_EQ(Main().screen()->logicalDotsPerInchY(), 96);
        Show();
        Main().activateWindow();
        ProcessEventsUntil([this] { return Main().isActiveWindow(); }, 500);
    }
    static void Save(QWidget& window, const char* name) {
        const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/") + QLatin1String(name);
        ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
    }

    // Acquires `seconds` of the simulated instrument's lines, sent at once rather than waited
    // for, and saves the picture.
    void SaveAcquiring(int seconds, const char* name) {
        ShowAsOpened();
        // The port's reports reach the status bar as in the program.
        TWindowNotifier notifier(&Main());
        notifier.SetReportSink(
            [this](TReportKind kind, const std::string& text) { Main().ShowReport(kind, text); });
        StartOnTerminal();
        const TLineSource source(StampOf(EncodeDateTime(2024, 1, 5, 13, 6, 52)), TLineRate(1, 1),
                                 TLineEnd::CrLf, 0);
        std::string lines;
        for (int s = 0; s < seconds; ++s) lines += source.Bytes(static_cast<std::uint64_t>(s));
        Terminal.Write(lines);
        const auto count = static_cast<std::uint64_t>(seconds);
        ASSERT_TRUE(ProcessEventsUntil([&] { return Main().RunStatus().SamplesRecorded() == count; }, 20000));
        ProcessEventsUntil([] { return false; }, 600);
        Main().Graphs()->ReplotNow();
        Save(Main(), name);
        Main().StopAcquisition(false);
    }

    QFont PreviousFont;
};

}  // namespace

TEST_F(DISABLED_MainWindowScreenshot, DemoFirstSeconds) { SaveAcquiring(4, "main-window-first-seconds.png"); }

TEST_F(DISABLED_MainWindowScreenshot, Acquiring) { SaveAcquiring(100, "main-window-acquiring.png"); }

TEST_F(DISABLED_MainWindowScreenshot, ViewedFileWithReadout) {
    ShowAsOpened();
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
