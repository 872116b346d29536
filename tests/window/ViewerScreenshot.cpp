// Writes docs/viewer.png: a day of one-second samples from the simulated instrument, opened in
// the viewer, in a small frame with the caption the main window shows, the graphs (the fourth
// one hidden) and a status line holding the mouse readout and the progress bar. Disabled in
// the suite; run it with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*ViewerScreenshot*'

#include "GraphsFixture.h"
#include "TempDir.h"

#include "window/DataFileViewer.h"
#include "instrument/LineSource.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <fstream>

TEST(DISABLED_ViewerScreenshot, WritesTheDocsPicture) {
    TestApplication();
    TTempDir dir(true);
    const std::string file = "ARCHIVE/2024/01/20240105000000.orv";
    std::filesystem::create_directories("ARCHIVE/2024/01");
    {
        const TLineSource source(StampOf(EncodeDateTime(2024, 1, 5, 0, 0, 0)), TLineRate(1, 1),
                                 TLineEnd::CrLf, 0);
        std::ofstream out(file, std::ios::binary);
        for (std::uint64_t line = 0; line < 86400; ++line)
            out << source.Bytes(line);
    }

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* caption = new QLabel(QStringLiteral("ORVANT-3K"));
    caption->setStyleSheet(QStringLiteral("background: #dde4ee; padding: 4px;"));
    layout->addWidget(caption);
    auto* graphs = new TChannelGraphs;
    layout->addWidget(graphs, 1);
    auto* status = new QWidget;
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(2, 2, 2, 2);
    auto* readout = new QLabel;
    readout->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    readout->setFixedWidth(560);
    statusLayout->addWidget(readout);
    auto* progress = new QProgressBar;
    progress->setTextVisible(false);
    progress->setFixedWidth(60);
    statusLayout->addWidget(progress);
    statusLayout->addStretch(1);
    layout->addWidget(status);
    QObject::connect(graphs, &TChannelGraphs::ReadoutChanged, readout, &QLabel::setText);

    graphs->CreateDefaultSeries();
    graphs->SetGraphChecked(3, false);
    window.resize(900, 640);
    window.show();
    window.activateWindow();
    ProcessEventsUntil([&] { return window.isActiveWindow(); }, 500);

    auto* viewer = new TDataFileViewer(*graphs, progress, &window);
    QObject::connect(viewer, &TDataFileViewer::FileShown, caption, [caption](const std::string& name) {
        caption->setText(QStringLiteral("<ORVANT-3K>    File: ") + QString::fromStdString(name));
    });
    ASSERT_TRUE(viewer->ViewDataFile(file));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !viewer->Loading(); }, 10000));
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    graphs->ReplotNow();

    graphs->SetMouseReadout(true);
    TChannelChart& chart = *graphs->Chart(2);
    const QPoint at(chart.PlotRect().left() + chart.PlotRect().width() * 3 / 5,
                    chart.PlotRect().center().y());
    Hover(chart, at);
    ASSERT_GT(graphs->CrossHairX(0), 0);

    const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/viewer.png");
    ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
}
