// The component's parts, the check-box rules and the equal-height layout of the shown graphs.

#include "GraphsFixture.h"

#include "window/ChartStyle.h"
#include "ui/Zoomler.h"

#include <QSplitter>

namespace {

// Heights of the shown panels are equal; the last one takes what the division leaves.
void ExpectEqualHeights(TChannelGraphs& graphs) {
    const std::vector<int>& shown = graphs.VisibleGraphs();
    ASSERT_FALSE(shown.empty());
    const int first = graphs.Panel(shown.front())->height();
    EXPECT_GT(first, 50);
    for (std::size_t i = 0; i + 1 < shown.size(); ++i)
        EXPECT_EQ(graphs.Panel(shown[i])->height(), first) << "graph " << shown[i];
    const int last = graphs.Panel(shown.back())->height();
    EXPECT_GE(last, first);
    EXPECT_LT(last, first + static_cast<int>(shown.size()));
}

}  // namespace

TEST_F(GraphsTest, HasTheNamedPartsWithTagsFontsAndTitles) {
    EXPECT_EQ(Graphs->findChild<TZoomler*>(QStringLiteral("DataZoomler")), Graphs->DataZoomler());
    EXPECT_EQ(Graphs->DataZoomler()->height(), 14);
    EXPECT_EQ(Graphs->findChild<QSplitter*>(QStringLiteral("PanelClientArea")),
              Graphs->ClientArea());
    const char* const titles[] = {"Bx, nT", "By, nT", "Bz, nT", "Ts, C", "Te, C"};
    for (int g = 0; g < 5; ++g) {
        QWidget* panel = Graphs->findChild<QWidget*>(QStringLiteral("Panel%1").arg(g));
        ASSERT_EQ(panel, Graphs->Panel(g));
        auto* zoomler = panel->findChild<TZoomler*>(QStringLiteral("Zoomler%1").arg(g));
        ASSERT_EQ(zoomler, Graphs->Zoomler(g));
        EXPECT_EQ(zoomler->Tag(), g);
        EXPECT_EQ(zoomler->Orientation(), TZoomler::TOrientation::Vertical);
        EXPECT_EQ(zoomler->width(), 14);
        EXPECT_EQ(zoomler->x(), 0);  // at the panel's left
        auto* chart = panel->findChild<TChannelChart*>(QStringLiteral("Chart%1").arg(g));
        ASSERT_EQ(chart, Graphs->Chart(g));
        EXPECT_EQ(chart->Tag(), g);
        EXPECT_EQ(chart->yAxis->label(), QString::fromLatin1(titles[g]));
        EXPECT_EQ(chart->yAxis->tickLabelFont().pixelSize(), 13);
        EXPECT_EQ(chart->xAxis->labelFont().pixelSize(), 13);
        EXPECT_FALSE(chart->xAxis2->visible());
        EXPECT_FALSE(chart->yAxis2->visible());
        EXPECT_EQ(chart->grab().toImage().pixelColor(1, 1), QColor(Qt::white));
        // The five plotting rectangles line up under one another.
        EXPECT_EQ(chart->PlotRect().left(), Chart(0).PlotRect().left());
        // Default grid: channel g on graph g, in the channel's colour.
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(Graphs->HasSeries(g, c), g == c);
        EXPECT_EQ(Graphs->Series(g, g)->Graph()->pen().color(), ChannelColors[g]);
    }
    for (int s = 0; s < 4; ++s)
        EXPECT_NE(Graphs->findChild<QWidget*>(QStringLiteral("Splitter%1").arg(s)), nullptr);
}

TEST_F(GraphsTest, CheckBoxesShowAndHideGraphsWithEqualHeights) {
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{0, 1, 2, 3, 4}));
    ExpectEqualHeights(*Graphs);

    ClickBox(1);
    ClickBox(3);
    EXPECT_FALSE(Boxes[1]->isChecked());
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(Graphs->VisibleGraphCount(), 3);
    EXPECT_FALSE(Graphs->Panel(1)->isVisible());
    EXPECT_FALSE(Graphs->Panel(3)->isVisible());
    EXPECT_FALSE(Graphs->GraphVisible(3));
    ExpectEqualHeights(*Graphs);
    // The shown panels fill the area.
    const int bottom = Graphs->Panel(4)->geometry().bottom();
    EXPECT_EQ(bottom, Graphs->ClientArea()->height() - 1);

    ClickBox(3);
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{0, 2, 3, 4}));
    ExpectEqualHeights(*Graphs);
}

TEST_F(GraphsTest, TheOnlyShownGraphCannotBeUnchecked) {
    for (int g : {0, 1, 3, 4})
        ClickBox(g);
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{2}));
    ClickBox(2);
    EXPECT_TRUE(Boxes[2]->isChecked());
    EXPECT_TRUE(Graphs->GraphChecked(2));
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{2}));
    EXPECT_TRUE(Graphs->Panel(2)->isVisible());
    EXPECT_EQ(Graphs->Panel(2)->height(), Graphs->ClientArea()->height());

    // The same rule for the programmatic path, which also moves the box.
    EXPECT_TRUE(Graphs->SetGraphChecked(2, false));
    EXPECT_TRUE(Graphs->SetGraphChecked(0, true));
    EXPECT_TRUE(Boxes[0]->isChecked());
    EXPECT_FALSE(Graphs->SetGraphChecked(2, false));
    EXPECT_FALSE(Boxes[2]->isChecked());
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{0}));
}

TEST_F(GraphsTest, BoxesSetFromOutsideMoveTheGraphsAndNeverLeaveNoneShown) {
    // As the settings restore does: states written to the boxes, not clicked.
    Boxes[4]->setChecked(false);
    EXPECT_EQ(Graphs->VisibleGraphs(), (std::vector<int>{0, 1, 2, 3}));

    QWidget other;
    std::array<QCheckBox*, 5> unchecked{};
    for (auto& box : unchecked) {
        box = new QCheckBox(&other);
        box->setChecked(false);
    }
    TChannelGraphs graphs(&other);
    graphs.AttachCheckBoxes({unchecked[0], unchecked[1], unchecked[2], unchecked[3], unchecked[4]});
    EXPECT_EQ(graphs.VisibleGraphs(), (std::vector<int>{0}));
    EXPECT_TRUE(unchecked[0]->isChecked());
}

TEST_F(GraphsTest, ArrangeRestoresEqualHeightsAfterASplitterDrag) {
    QList<int> sizes = Graphs->ClientArea()->sizes();
    sizes[0] += 30;
    sizes[1] -= 30;
    Graphs->ClientArea()->setSizes(sizes);
    EXPECT_EQ(Graphs->PanelHeights()[0], Graphs->PanelHeights()[2] + 30);
    Graphs->LayOutGraphs();
    ExpectEqualHeights(*Graphs);
    // A hidden panel reports no height.
    ClickBox(1);
    EXPECT_EQ(Graphs->PanelHeights()[1], 0);
}
