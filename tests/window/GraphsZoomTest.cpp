// Zoom controls to axis ranges, and the controls' ranges set from the plotted data.

#include "GraphsFixture.h"

#include "ui/Zoomler.h"

namespace {

void ExpectRange(const QCPRange& range, double lower, double upper) {
    EXPECT_NEAR(range.lower, lower, 1e-6);
    EXPECT_NEAR(range.upper, upper, 1e-6);
}

int ThumbMiddle(const TZoomler& zoomler) {
    return (zoomler.ThumbPixels().Start + zoomler.ThumbPixels().Finish) / 2;
}

}  // namespace

TEST_F(GraphsTest, AVerticalControlFixesItsValueAxisUpsideDownAndFollowsTheDrag) {
    TZoomler& zoomler = *Graphs->Zoomler(1);
    zoomler.SetRangeAndWindow(0, 100, 20, 50);
    const int middle = ThumbMiddle(zoomler);

    Press(zoomler, QPoint(7, middle));
    Move(zoomler, QPoint(7, middle + 10));  // scrolling: the axis follows before the release
    ASSERT_GT(zoomler.Start(), 20);
    EXPECT_FALSE(Chart(1).ValueRangeAutomatic());
    // The control's top is its Min: the window seen from the bottom is the value range.
    ExpectRange(Chart(1).ValueRange(), 100 - zoomler.Finish(), 100 - zoomler.Start());
    Release(zoomler, QPoint(7, middle + 10));

    // An arrow step reports OnChanged; a grip drag OnZooming. Both are applied.
    Press(zoomler, QPoint(7, 5));
    Release(zoomler, QPoint(7, 5));
    ExpectRange(Chart(1).ValueRange(), 100 - zoomler.Finish(), 100 - zoomler.Start());
    const int grip = zoomler.ThumbPixels().Finish - 6;
    Press(zoomler, QPoint(7, grip));
    Move(zoomler, QPoint(7, grip + 15));
    ExpectRange(Chart(1).ValueRange(), 100 - zoomler.Finish(), 100 - zoomler.Start());
    Release(zoomler, QPoint(7, grip + 15));

    for (int g : {0, 2, 3, 4})
        EXPECT_TRUE(Chart(g).ValueRangeAutomatic());

    // Drawn: the range sits between 2 % and 98 % of the plotting rectangle's height.
    Graphs->ReplotNow();
    const QRect plot = Chart(1).PlotRect();
    const QCPRange fixed = Chart(1).ValueRange();
    EXPECT_NEAR(Chart(1).yAxis->coordToPixel(fixed.lower), plot.top() + plot.height() * 0.98, 1);
    EXPECT_NEAR(Chart(1).yAxis->coordToPixel(fixed.upper), plot.top() + plot.height() * 0.02, 1);
}

TEST_F(GraphsTest, TheTimeControlMovesAllBottomAxesOnlyWhenADragEnds) {
    TZoomler& zoomler = *Graphs->DataZoomler();
    zoomler.SetRangeAndWindow(Stamp(0), Stamp(1000), Stamp(200), Stamp(600));
    const int middle = ThumbMiddle(zoomler);
    Press(zoomler, QPoint(middle, 7));
    Move(zoomler, QPoint(middle + 40, 7));
    for (int g = 0; g < 5; ++g)
        EXPECT_TRUE(Chart(g).TimeRangeAutomatic());  // scrolling is not applied
    Release(zoomler, QPoint(middle + 40, 7));
    for (int g = 0; g < 5; ++g) {
        EXPECT_FALSE(Chart(g).TimeRangeAutomatic());
        ExpectRange(Chart(g).TimeRange(), TimeToKey(zoomler.Start()), TimeToKey(zoomler.Finish()));
        EXPECT_TRUE(Chart(g).ValueRangeAutomatic());
    }
    Graphs->ReplotNow();
    ExpectRange(Chart(3).xAxis->range(), TimeToKey(zoomler.Start()), TimeToKey(zoomler.Finish()));
}

TEST_F(GraphsTest, FixedRangesAcceptBoundsInEitherOrderAndAutomaticRangesFitTheData) {
    AddSample(10, 40);
    AddSample(70, 30);
    Chart(0).FixValueRange(9, 3);
    Chart(0).FixTimeRange(KeyOf(50), KeyOf(20));
    Graphs->Pacer().MarkAllChanged();
    Graphs->ReplotNow();
    ExpectRange(Chart(0).TimeRange(), KeyOf(20), KeyOf(50));
    ExpectRange(Chart(0).xAxis->range(), KeyOf(20), KeyOf(50));
    ExpectRange(Chart(0).ValueRange(), 3, 9);
    EXPECT_LT(Chart(0).yAxis->range().lower, 3);
    // Graph 1 fits its data: values 31..41 and times 10..70 s.
    ExpectRange(Chart(1).ValueRange(), 31, 41);
    ExpectRange(Chart(1).xAxis->range(), KeyOf(10), KeyOf(70));
    const double margin = 10 * 0.02 / 0.96;
    ExpectRange(Chart(1).yAxis->range(), 31 - margin, 41 + margin);

    // A zoom window of no width still draws: the axis opens around the value.
    Chart(2).FixValueRange(5, 5);
    Graphs->Pacer().MarkChanged(2);
    Graphs->ReplotNow();
    EXPECT_LT(Chart(2).yAxis->range().lower, 5);
    EXPECT_GT(Chart(2).yAxis->range().upper, 5);
}

TEST_F(GraphsTest, AxisLabelsUseTheStationsFormats) {
    AddSample(0, 48000);
    AddSample(600, 49000);
    Graphs->ReplotNow();
    const QVector<QString> values = Chart(0).yAxis->tickVectorLabels();
    EXPECT_TRUE(values.contains(QStringLiteral("49 000"))) << values.join('|').toStdString();
    const QVector<QString> times = Chart(0).xAxis->tickVectorLabels();
    EXPECT_TRUE(times.contains(QStringLiteral("12:10:00"))) << times.join('|').toStdString();

    // The value labels never step by less than 0.01.
    Chart(2).FixValueRange(10, 10.004);
    Graphs->Pacer().MarkChanged(2);
    Graphs->ReplotNow();
    const QVector<double> ticks = Chart(2).yAxis->tickVector();
    for (int i = 1; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i] - ticks[i - 1], 0.01 - 1e-12);
}

TEST_F(GraphsTest, ZoomRangesAfterAStopSpanTheShownGraphs) {
    Graphs->SetMaxPointsOnScreen(3);
    for (int s = 0; s < 5; ++s)
        AddSample(s, 10 * s);  // every graph: seconds 2..4
    ClickBox(1);
    for (int s = 5; s < 10; ++s)
        AddSample(s, 10 * s);  // shown graphs: seconds 7..9
    for (int s = 0; s < 3; ++s)  // shown: 20..22; graphs 0 and 4 flat
        Graphs->AddSample(Stamp(20 + s), {1, 1, 1.5 + s, -1.0 * s, 5});
    Graphs->UpdateZoomRanges();

    const TZoomler& time = *Graphs->DataZoomler();
    EXPECT_NEAR(time.Min(), Stamp(20), 1e-9);  // graph 1, hidden, is not visited
    EXPECT_NEAR(time.Max(), Stamp(22), 1e-9);
    EXPECT_NEAR(time.Start(), Stamp(20), 1e-9);
    EXPECT_NEAR(time.Finish(), Stamp(22), 1e-9);

    const TZoomler& varied = *Graphs->Zoomler(2);
    EXPECT_EQ(varied.Min(), 1.5);
    EXPECT_EQ(varied.Max(), 3.5);
    EXPECT_EQ(varied.Start(), 1.5);
    EXPECT_EQ(varied.Finish(), 3.5);
    EXPECT_EQ(Graphs->Zoomler(3)->Min(), -2);
    // Flat graphs keep their controls' previous ranges.
    for (int g : {0, 4}) {
        EXPECT_EQ(Graphs->Zoomler(g)->Min(), 1);
        EXPECT_EQ(Graphs->Zoomler(g)->Max(), 100);
        EXPECT_EQ(Graphs->Zoomler(g)->Start(), 30);
    }
    EXPECT_EQ(Graphs->Zoomler(1)->Max(), 100);  // hidden: untouched
    // No event fired: the axes stay automatic.
    for (int g = 0; g < 5; ++g)
        EXPECT_TRUE(Chart(g).TimeRangeAutomatic() && Chart(g).ValueRangeAutomatic());
}

TEST_F(GraphsTest, ZoomRangesInViewModeSpanEveryGraphShownOrNot) {
    ClickBox(3);
    Graphs->SetViewMode(true);
    for (int s = 0; s < 4; ++s)
        AddSample(10 + s, 100 + s);
    Graphs->UpdateZoomRanges();
    EXPECT_NEAR(Graphs->DataZoomler()->Min(), Stamp(10), 1e-9);
    EXPECT_NEAR(Graphs->DataZoomler()->Max(), Stamp(13), 1e-9);
    const TZoomler& hidden = *Graphs->Zoomler(3);
    EXPECT_EQ(hidden.Min(), 103);
    EXPECT_EQ(hidden.Max(), 106);
    EXPECT_EQ(hidden.Start(), 103);
    EXPECT_EQ(hidden.Finish(), 106);
}

TEST_F(GraphsTest, AnEmptyFirstGraphDoesNotStretchTheTimeRangeToZero) {
    Graphs->ToggleSeries(0, 0);  // graph 0 is shown but plots nothing
    Graphs->SetViewMode(true);
    AddSample(10, 1);
    AddSample(20, 2);
    Graphs->UpdateZoomRanges();
    EXPECT_NEAR(Graphs->DataZoomler()->Min(), Stamp(10), 1e-9);
    EXPECT_NEAR(Graphs->DataZoomler()->Max(), Stamp(20), 1e-9);

    // Nothing plotted at all: the controls keep their ranges.
    Graphs->ClearGraphs();
    Graphs->UpdateZoomRanges();
    EXPECT_NEAR(Graphs->DataZoomler()->Min(), Stamp(10), 1e-9);
}
