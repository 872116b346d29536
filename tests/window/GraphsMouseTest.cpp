// The mouse over the charts: the readout of the nearest point, the cursor lines drawn and erased
// without replotting, the highlight of the clicked chart; and the paced replots.

#include "GraphsFixture.h"

#include <QStringList>

namespace {

// Pixels of a chart's picture in one column that have the cursor colour.
int CursorPixelsInColumn(TChannelChart& chart, int x) {
    const QImage image = chart.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        count += image.pixelColor(x, y) == QColor(0, 255, 255) ? 1 : 0;
    return count;
}

}  // namespace

class GraphsMouseTest : public GraphsTest {
protected:
    // Points at 10, 20 and 30 seconds on every graph, the time axes fixed so that one pixel is one
    // second from the plotting rectangle's left edge (second 0), and the readout on.
    GraphsMouseTest() {
        Graphs->SetViewMode(true);
        AddSample(10, 1.5);
        AddSample(20, 48123.4567);
        AddSample(30, -2);
        Graphs->SetMouseReadout(true);
        Graphs->ReplotNow();
        const int width = Chart(0).PlotRect().width();
        for (int g = 0; g < 5; ++g)
            Chart(g).FixTimeRange(KeyOf(0), KeyOf(width));
        Graphs->Pacer().MarkAllChanged();
        Graphs->ReplotNow();
        Plot = Chart(0).PlotRect();
    }

    // The mouse over chart g at second s of its time axis.
    void HoverAt(int g, int seconds) { Hover(Chart(g), QPoint(Plot.left() + seconds, Plot.center().y())); }

    QRect Plot;
    const QString At20 = QStringLiteral(
        "Time: 12:00:20, 48 123.457, 48 124.457, 48 125.457, 48 126.457, 48 127.457");
    const QString At30 = QStringLiteral("Time: 12:00:30, -2, -1, 0, 1, 2");
};

TEST_F(GraphsMouseTest, TheReadoutShowsThePointNearestToTheMouse) {
    QStringList shown;
    QObject::connect(Graphs, &TChannelGraphs::ReadoutChanged,
                     [&shown](const QString& text) { shown << text; });
    HoverAt(0, 15);
    EXPECT_EQ(Graphs->ReadoutText(), At20);
    HoverAt(2, 24);
    EXPECT_EQ(Graphs->ReadoutText(), At20);
    HoverAt(4, 25);  // halfway: the walk moves on to 20
    EXPECT_EQ(Graphs->ReadoutText(), At20);
    HoverAt(1, 26);
    EXPECT_EQ(Graphs->ReadoutText(), At30);
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown.last(), At30);
}

TEST_F(GraphsMouseTest, AShorterSeriesReadsQuestionMarksAndAGraphWithoutOneNothing) {
    Graphs->ToggleSeries(3, 3);
    Graphs->ToggleSeries(3, 3);  // back, but empty
    Graphs->ToggleSeries(4, 4);  // gone
    HoverAt(0, 19);
    EXPECT_EQ(Graphs->ReadoutText(),
              QStringLiteral("Time: 12:00:20, 48 123.457, 48 124.457, 48 125.457, ????"));
    // A graph without points gives no readout and no cursor line.
    HoverAt(4, 19);
    EXPECT_EQ(Graphs->ReadoutText(),
              QStringLiteral("Time: 12:00:20, 48 123.457, 48 124.457, 48 125.457, ????"));
    EXPECT_EQ(Graphs->CrossHairX(0), -1);
}

TEST_F(GraphsMouseTest, NothingFollowsTheMouseWhenOffOrAcquiringOrOutsideThePlot) {
    Graphs->SetMouseReadout(false);
    HoverAt(0, 20);
    EXPECT_TRUE(Graphs->ReadoutText().isEmpty());
    Graphs->SetMouseReadout(true);
    Graphs->SetAcquiring(true);
    HoverAt(0, 20);
    EXPECT_TRUE(Graphs->ReadoutText().isEmpty());
    EXPECT_EQ(Graphs->CrossHairX(0), -1);
    Graphs->SetAcquiring(false);

    HoverAt(0, 20);
    EXPECT_GT(Graphs->CrossHairX(0), 0);
    Hover(Chart(0), QPoint(Plot.left() - 5, Plot.center().y()));
    EXPECT_EQ(Graphs->CrossHairX(0), -1);  // erased, and the text stays
    EXPECT_EQ(Graphs->ReadoutText(), At20);
}

TEST_F(GraphsMouseTest, CursorLinesAreDrawnAndErasedWithoutReplottingTheCharts) {
    TReplotCounter replots(*Graphs);
    HoverAt(0, 15);
    const int at20 = Plot.left() + 20;
    for (int g = 0; g < 5; ++g) {
        EXPECT_EQ(Graphs->CrossHairX(g), at20) << "graph " << g;
        EXPECT_EQ(Chart(g).PixelOfKey(KeyOf(20)), at20);
    }
    EXPECT_GT(CursorPixelsInColumn(Chart(3), at20), Plot.height() / 3);

    HoverAt(0, 28);  // the line moves: the old one is gone
    const int at30 = Plot.left() + 30;
    EXPECT_EQ(Graphs->CrossHairX(2), at30);
    EXPECT_EQ(CursorPixelsInColumn(Chart(2), at20), 0);
    EXPECT_GT(CursorPixelsInColumn(Chart(2), at30), 0);

    Graphs->EraseCrossHairs();
    EXPECT_EQ(Graphs->CrossHairX(2), -1);
    EXPECT_EQ(CursorPixelsInColumn(Chart(2), at30), 0);
    EXPECT_EQ(replots.Total(), 0);

    // Only shown graphs get a line, and only where point i lies inside the plotting rectangle.
    ClickBox(1);
    Graphs->ReplotNow();
    Graphs->DrawCrossHairs(0);
    EXPECT_EQ(Graphs->CrossHairX(0), Plot.left() + 10);
    EXPECT_EQ(Graphs->CrossHairX(1), -1);
    for (int g = 0; g < 5; ++g)
        Chart(g).FixTimeRange(KeyOf(15), KeyOf(40));
    Graphs->Pacer().MarkAllChanged();
    Graphs->ReplotNow();
    Graphs->DrawCrossHairs(0);
    EXPECT_EQ(Graphs->CrossHairX(0), -1);
}

TEST_F(GraphsMouseTest, AReplotRemovesTheCursorLines) {
    HoverAt(0, 20);
    ASSERT_GT(Graphs->CrossHairX(4), 0);
    AddSample(40, 1);
    Graphs->ReplotNow();
    for (int g = 0; g < 5; ++g)
        EXPECT_EQ(Graphs->CrossHairX(g), -1);
    EXPECT_EQ(CursorPixelsInColumn(Chart(4), Plot.left() + 20), 0);
    // Unchecking "Mouse" erases them too.
    HoverAt(0, 20);
    Graphs->SetMouseReadout(false);
    EXPECT_EQ(Graphs->CrossHairX(0), -1);
}

TEST_F(GraphsTest, AClickedChartIsHighlightedUntilItLosesTheFocus) {
    const QPoint inside = Chart(1).rect().center();
    Press(Chart(1), inside);
    Release(Chart(1), inside);
    EXPECT_TRUE(Chart(1).hasFocus());
    EXPECT_TRUE(Chart(1).Highlighted());
    EXPECT_EQ(Graphs->SelectedChart(), 1);
    // The lowered bevel: shadow at the top left, light at the bottom right.
    const QImage picture = Chart(1).grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(128, 128, 128));
    EXPECT_EQ(picture.pixelColor(1, 5), QColor(64, 64, 64));
    EXPECT_EQ(picture.pixelColor(picture.width() - 1, 5), QColor(255, 255, 255));
    EXPECT_EQ(Chart(2).grab().toImage().pixelColor(0, 0), QColor(Qt::white));

    Press(Chart(3), inside);
    Release(Chart(3), inside);
    EXPECT_FALSE(Chart(1).Highlighted());
    EXPECT_TRUE(Chart(3).Highlighted());
    EXPECT_EQ(Graphs->SelectedChart(), 3);

    Edit->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(Chart(3).Highlighted());
    EXPECT_EQ(Graphs->SelectedChart(), -1);
}

TEST_F(GraphsTest, ManyAppendsCostOneReplotPerChart) {
    ClickBox(2);
    TReplotCounter replots(*Graphs);
    Graphs->SetMaxPointsOnScreen(200);
    for (int s = 0; s < 1000; ++s)
        AddSample(s, s % 17);
    EXPECT_EQ(replots.Total(), 0);  // nothing is drawn per point
    EXPECT_TRUE(Graphs->Pacer().IsTimerActive());
    ASSERT_TRUE(ProcessEventsUntil([this] { return !Graphs->Pacer().IsTimerActive(); }));
    EXPECT_EQ(replots.Counts, (std::array<int, 5>{1, 1, 0, 1, 1}));
    // Nothing changed since: no further replots.
    ProcessEventsUntil([] { return false; }, 3 * TReplotPacer::IntervalMs);
    EXPECT_EQ(replots.Total(), 4);
    EXPECT_EQ(Graphs->PointCount(0, 0), 200);
}
