// The charts' tick labels read well at every size: time ticks on whole seconds (with dates on
// spans of days), value ticks as many as the chart's height holds, no two neighbouring labels
// overlapping, and no labels at all on an empty chart. Geometry, not pixels: the labels' text
// rectangles are placed from the axes' tick positions and the labels' font metrics.

#include "MainFormFixture.h"

#include "window/AxisTickers.h"
#include "window/ChartStyle.h"
#include "window/ValueText.h"
#include "recording/DateFormat.h"

#include <QFontMetricsF>

#include <cmath>

#include "QuietDay.h"

namespace {

struct TTicks {
    QVector<double> Positions;
    QVector<QString> Labels;
};

template <class Ticker>
TTicks Generate(double lower, double upper, double axisPixels) {
    TestApplication();
    Ticker ticker;
    ticker.SetAxisLength(axisPixels);
    ticker.SetLabelFont(ChartFont());
    TTicks ticks;
    ticker.generate(QCPRange(lower, upper), QLocale::c(), 'g', 6, ticks.Positions, nullptr,
                    &ticks.Labels);
    return ticks;
}

struct TLabel {
    QRectF Rect;
    std::string Text;
};

// Where the axis draws each label's text: centred on its tick, across the axis.
std::vector<TLabel> Labels(const QCPAxis& axis) {
    const QFontMetricsF metrics(axis.tickLabelFont());
    const QVector<double> ticks = axis.tickVector();
    const QVector<QString> texts = axis.tickVectorLabels();
    std::vector<TLabel> labels;
    if (!axis.tickLabels()) return labels;
    for (int i = 0; i < ticks.size(); ++i) {
        if (texts[i].isEmpty()) continue;
        const QSizeF size =
            metrics.boundingRect(QRectF(), Qt::TextDontClip | Qt::AlignHCenter, texts[i]).size();
        const double at = axis.coordToPixel(ticks[i]);
        labels.push_back({axis.orientation() == Qt::Horizontal
                              ? QRectF(at - size.width() / 2, 0, size.width(), size.height())
                              : QRectF(0, at - size.height() / 2, size.width(), size.height()),
                          texts[i].toStdString()});
    }
    return labels;
}

// Neighbouring labels of every axis of every chart keep apart; value labels stay within the
// chart (a label cut by its edge is left out) and clear of the time labels under the axis.
// Returns the number of labels checked.
int ExpectLabelsApart(TChannelGraphs& graphs, const std::string& what) {
    int count = 0;
    for (int g = 0; g < 5; ++g) {
        TChannelChart& chart = *graphs.Chart(g);
        for (const QCPAxis* axis : {chart.xAxis, chart.yAxis}) {
            const std::vector<TLabel> labels = Labels(*axis);
            count += static_cast<int>(labels.size());
            for (std::size_t i = 0; i < labels.size(); ++i) {
                const std::string where = what + ", chart " + std::to_string(g) + ", " + labels[i].Text;
                if (i > 0) {
                    EXPECT_FALSE(labels[i - 1].Rect.intersects(labels[i].Rect))
                        << where << " meets " << labels[i - 1].Text;
                }
                if (axis == chart.yAxis) {
                    EXPECT_TRUE(labels[i].Rect.top() >= 0 &&
                                labels[i].Rect.bottom() <= chart.PlotRect().bottom() + 1)
                        << where;
                }
            }
        }
    }
    return count;
}

}  // namespace

TEST(TimeAxisTicks, FallOnDistinctWholeSecondsEvenlySpaced) {
    const double noon = KeyOf(0);
    // The first second of a run, a twelve-second one and a range zoomed below a second.
    for (const double span : {1.0, 12.0, 0.4}) {
        const TTicks ticks = Generate<TTimeAxisTicker>(noon + 0.3, noon + 0.3 + span, 1000);
        ASSERT_EQ(ticks.Positions.size(), ticks.Labels.size());
        for (int i = 0; i < ticks.Positions.size(); ++i) {
            EXPECT_EQ(ticks.Positions[i], std::floor(ticks.Positions[i])) << span;
            EXPECT_EQ(ticks.Labels[i].toStdString(),
                      FormatClockTime(KeyToTime(ticks.Positions[i])));
            if (i > 0) {
                EXPECT_NE(ticks.Labels[i], ticks.Labels[i - 1]);
                EXPECT_EQ(ticks.Positions[i] - ticks.Positions[i - 1],
                          ticks.Positions[1] - ticks.Positions[0]);
            }
        }
        EXPECT_EQ(ticks.Positions.size() >= 2, span == 12) << span;
        EXPECT_EQ(ticks.Positions.isEmpty(), span < 1) << span;
    }
    const TTicks twelve = Generate<TTimeAxisTicker>(noon, noon + 12, 4000);
    ASSERT_EQ(twelve.Labels.size(), 13);
    EXPECT_EQ(twelve.Labels.front(), "12:00:00");
    EXPECT_EQ(twelve.Labels.back(), "12:00:12");

    // Past half a day, whole days.
    EXPECT_EQ(TTimeAxisTicker::StepOfAtLeast(43201), 86400);
    EXPECT_EQ(TTimeAxisTicker::StepOfAtLeast(3 * 86400), 5 * 86400);
    // An axis too short for two labels gets one.
    const TTicks narrow = Generate<TTimeAxisTicker>(noon, noon + 12, 100);
    EXPECT_EQ(narrow.Labels, QVector<QString>{"12:00:00"});
}

TEST(TimeAxisTicks, DaysLongSpansShowTheDateAtMidnightOnly) {
    const double start = TimeToKey(EncodeDateTime(2024, 1, 1, 0, 0, 0));
    const TTicks fortnight = Generate<TTimeAxisTicker>(start, start + 15 * 86400, 500);
    ASSERT_GE(fortnight.Labels.size(), 2);
    for (int i = 0; i < fortnight.Labels.size(); ++i) {
        const TDateTime time = KeyToTime(fortnight.Positions[i]);
        EXPECT_EQ(fortnight.Labels[i].toStdString(),
                  "00:00:00\n" + FormatDateTime("yyyy-mm-dd", time));
    }

    // Two days in hours: the midnights carry the date, the hours between do not.
    const TTicks twoDays = Generate<TTimeAxisTicker>(start + 3600, start + 2 * 86400 + 3600, 800);
    EXPECT_TRUE(twoDays.Labels.contains("00:00:00\n2024-01-02"));
    EXPECT_TRUE(twoDays.Labels.contains("12:00:00"));
    // Within a day, midnight reads as a time like any other.
    const TTicks night = Generate<TTimeAxisTicker>(start - 3 * 3600, start + 3 * 3600, 800);
    EXPECT_TRUE(night.Labels.contains("00:00:00"));
}

TEST(ValueAxisTicks, NiceStepsThatTheAxisLengthHolds) {
    EXPECT_DOUBLE_EQ(TValueAxisTicker::StepOfAtLeast(0.021), 0.025);
    EXPECT_DOUBLE_EQ(TValueAxisTicker::StepOfAtLeast(1e-9), 0.01);
    EXPECT_DOUBLE_EQ(TValueAxisTicker::StepOfAtLeast(30000), 50000);

    TestApplication();
    const double height = TickLabelHeight(ChartFont());
    // A tall axis: labels one label height plus a gap apart, none hanging below the axis's
    // lower end; a low one: one label, or none.
    for (const double pixels : {400.0, 2.5 * height, 1.2 * height, 0.9 * height, 0.3 * height}) {
        const TTicks ticks = Generate<TValueAxisTicker>(21340, 21352, pixels);
        std::vector<double> labelled;
        for (int i = 0; i < ticks.Positions.size(); ++i) {
            if (ticks.Labels[i].isEmpty()) continue;
            labelled.push_back(ticks.Positions[i]);
            EXPECT_GE((labelled.back() - 21340) * pixels / 12, height / 2) << pixels;
        }
        EXPECT_GE(labelled.size(), pixels >= 400 ? 5u : 0u) << pixels;
        if (pixels < height) {
            EXPECT_LE(labelled.size(), 1u) << pixels;
        }
        for (std::size_t i = 1; i < labelled.size(); ++i)
            EXPECT_GE((labelled[i] - labelled[i - 1]) * pixels / 12, height + 2) << pixels;
    }
    // A low chart whose step has no multiple in range still shows its roundest value.
    EXPECT_EQ((Generate<TValueAxisTicker>(21.07, 21.93, 1.2 * height).Labels), QVector<QString>{"21.5"});
    EXPECT_TRUE((Generate<TValueAxisTicker>(21.07, 21.93, 0.8 * height).Labels.isEmpty()));
    const TTicks flat = Generate<TValueAxisTicker>(19.999, 20.001, 400);
    EXPECT_EQ(flat.Labels, QVector<QString>{"20"});
}

TEST_F(MainFormTest, NoTwoLabelsMeetAtTheDesignedAndTheDefaultSizeAndEmptyChartsHaveNone) {
    TOstrelMainForm& main = Make();
    const QSize openedSize = main.size();
    Show();
    TChannelGraphs& graphs = *main.Graphs();
    // At first start nothing is labelled: no library defaults.
    graphs.ReplotNow();
    EXPECT_EQ(ExpectLabelsApart(graphs, "first start"), 0);
    for (int g = 0; g < 5; ++g) EXPECT_FALSE(graphs.Chart(g)->yAxis->tickLabels());

    const QSize sizes[] = {openedSize, {TOstrelMainForm::DesignedWidth, TOstrelMainForm::DesignedHeight}};
    // The first seconds of a run, a few minutes, hours, and a fortnight's file.
    struct TSpan {
        int Samples;
        int Spacing;
    };
    const TSpan spans[] = {{1, 1}, {2, 1}, {13, 1}, {100, 1}, {180, 60}, {15 * 144, 600}};
    std::mt19937 random(20240105);
    main.SetViewMode(true);
    for (const QSize& size : sizes) {
        main.resize(size);
        Settle();
        for (const TSpan& span : spans) {
            graphs.ClearGraphs();
            for (int i = 0; i < span.Samples; ++i) {
                const int second = i * span.Spacing;
                graphs.AddSample(Stamp(second), QuietDay(second % 86400, random));
            }
            Settle();
            graphs.ReplotNow();
            const std::string what = std::to_string(size.width()) + "x" +
                                     std::to_string(size.height()) + ", " +
                                     std::to_string(span.Samples) + " samples";
            EXPECT_GE(ExpectLabelsApart(graphs, what), 10) << what;
            for (int g = 0; g < 5; ++g)
                EXPECT_GE(graphs.Chart(g)->yAxis->tickVector().size(), 1) << what << ", chart " << g;
        }
    }
    // The designed size is a size this window really opens with on some screens.
    EXPECT_EQ(openedSize, QSize(std::lround(798 * main.ScaleFactor()), std::lround(564 * main.ScaleFactor())));

    // Cleared, the charts keep their last ranges but label nothing.
    graphs.ClearGraphs();
    graphs.ReplotNow();
    EXPECT_EQ(ExpectLabelsApart(graphs, "cleared"), 0);
    for (int g = 0; g < 5; ++g) {
        EXPECT_FALSE(graphs.Chart(g)->xAxis->tickLabels());
        EXPECT_FALSE(graphs.Chart(g)->yAxis->grid()->visible());
    }
}
