// Writes docs/graphs.png: the channel graphs with three hours of one-second samples in all five
// graphs, the second chart highlighted, the mouse readout in a status line and the cursor lines
// shown. Disabled in the suite; run it with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*GraphsScreenshot*'

#include "GraphsFixture.h"

#include <QLabel>

#include "QuietDay.h"


TEST(DISABLED_GraphsScreenshot, WritesTheDocsPicture) {
    TestApplication();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* graphs = new TChannelGraphs;
    layout->addWidget(graphs, 1);
    auto* status = new QLabel;
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status->setMinimumHeight(22);
    layout->addWidget(status);
    QObject::connect(graphs, &TChannelGraphs::ReadoutChanged, status, &QLabel::setText);

    graphs->CreateDefaultSeries();
    window.resize(900, 640);
    window.show();
    window.activateWindow();
    ProcessEventsUntil([&] { return window.isActiveWindow(); }, 500);

    graphs->SetViewMode(true);
    std::mt19937 random(20240105);
    {
        TBulkGraphLoad load(*graphs);
        for (int s = 0; s < 3 * 3600; ++s)
            graphs->AddSample(Stamp(s), QuietDay(s, random));
    }
    graphs->UpdateZoomRanges();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    graphs->ReplotNow();

    graphs->SetMouseReadout(true);
    TChannelChart& chart = *graphs->Chart(1);
    const QPoint at(chart.PlotRect().left() + chart.PlotRect().width() * 11 / 20,
                    chart.PlotRect().center().y());
    Press(chart, at);
    Release(chart, at);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    Hover(chart, at);
    ASSERT_GT(graphs->CrossHairX(0), 0);

    const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/graphs.png");
    ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
}
