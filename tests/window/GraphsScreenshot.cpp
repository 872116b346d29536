// Writes docs/graphs.png: the channel graphs with three hours of one-second samples in all five
// graphs, the second chart highlighted, the mouse readout in a status line and the cursor lines
// shown. Disabled in the suite; run it with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*GraphsScreenshot*'

#include "GraphsFixture.h"

#include <QLabel>

#include <cmath>
#include <numbers>
#include <random>

namespace {

// Values shaped like a quiet day's record: slow daily drift, a few minutes' pulsations, noise at
// the instrument's resolution, and sensor and electronics temperatures.
std::array<double, 5> Sample(int second, std::mt19937& random) {
    std::normal_distribution<double> noise(0, 0.08);
    const double t = second;
    const double pi = std::numbers::pi;
    const double drift = std::sin(2 * pi * t / 14400);
    const double pulsation = std::sin(2 * pi * t / 420) * std::exp(-std::pow((t - 5400) / 1500, 2));
    auto round = [](double value, double unit) { return std::round(value / unit) * unit; };
    return {round(21345.6 + 12 * drift + 4 * pulsation + noise(random), 0.01),
            round(-1234.5 + 6 * std::cos(2 * pi * t / 10800) + 2.5 * pulsation + noise(random), 0.01),
            round(45678.9 - 4 * drift + 1.5 * pulsation + noise(random), 0.01),
            round(21.5 + 0.4 * std::sin(2 * pi * t / 21600), 0.1),
            round(20.2 + 1.2 * std::sin(2 * pi * (t + 1800) / 10800), 0.1)};
}

}  // namespace

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
            graphs->AddSample(Stamp(s), Sample(s, random));
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
