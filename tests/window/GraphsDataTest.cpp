// Points into the graphs: the series grid, the point limit of acquisition, view mode, time order,
// bulk loading and clearing.

#include "GraphsFixture.h"

#include "acquisition/LogicalPacket.h"
#include "instrument/InstrumentLine.h"

namespace {

// A packet as the reader thread builds it from the instrument's line.
TLogicalPacket Packet(double seconds, double bx) {
    return TLogicalPacket(FormatInstrumentLine(Stamp(seconds), {bx, -1234.5, 45678.9, 21.5, 20.2}),
                          TBadLineReport::Silent);
}

std::vector<double> Times(const TChannelGraphs& graphs, int g, int c) {
    std::vector<double> seconds;
    for (int i = 0; i < graphs.PointCount(g, c); ++i)
        seconds.push_back(std::round((graphs.PointTime(g, c, i) - Stamp(0)) * SecondsPerDay));
    return seconds;
}

}  // namespace

TEST_F(GraphsTest, AcquisitionKeepsTheLastPointsWithinTheLimit) {
    Graphs->SetMaxPointsOnScreen(3);
    for (int s = 0; s < 5; ++s)
        Graphs->AddPacketToGraphs(Packet(s, 21000 + s));
    for (int g = 0; g < 5; ++g)
        EXPECT_EQ(Times(*Graphs, g, g), (std::vector<double>{2, 3, 4})) << "graph " << g;
    EXPECT_DOUBLE_EQ(Graphs->PointValue(0, 0, 0), 21002);
    EXPECT_DOUBLE_EQ(Graphs->PointValue(1, 1, 2), -1234.5);
    EXPECT_DOUBLE_EQ(Graphs->PointValue(4, 4, 1), 20.2);
    // The extents follow the deleted points out.
    EXPECT_DOUBLE_EQ(Graphs->MinValue(0), 21002);
    EXPECT_DOUBLE_EQ(Graphs->MaxValue(0), 21004);
    EXPECT_NEAR(Graphs->MinTime(0), Stamp(2), 1e-9);
    EXPECT_NEAR(Graphs->MaxTime(3), Stamp(4), 1e-9);
}

TEST_F(GraphsTest, ValueExtentsAreRecomputedWhenTheirPointIsDeleted) {
    Graphs->SetMaxPointsOnScreen(3);
    const double values[] = {100, 1, 50, 60, 70};
    for (int s = 0; s < 5; ++s)
        AddSample(s, values[s]);
    EXPECT_DOUBLE_EQ(Graphs->MinValue(0), 50);
    EXPECT_DOUBLE_EQ(Graphs->MaxValue(0), 70);
    EXPECT_DOUBLE_EQ(Graphs->MinValue(4), 54);
}

TEST_F(GraphsTest, HiddenGraphsGetNothingDuringAcquisitionButEverythingInViewMode) {
    ClickBox(1);
    ClickBox(3);
    Graphs->SetMaxPointsOnScreen(100);
    AddSample(0, 10);
    AddSample(1, 11);
    EXPECT_EQ(Graphs->PointCount(0, 0), 2);
    EXPECT_EQ(Graphs->PointCount(1, 1), 0);
    EXPECT_EQ(Graphs->PointCount(3, 3), 0);
    EXPECT_EQ(Graphs->MinTime(1), 0.0);  // no points: 0
    EXPECT_EQ(Graphs->MaxValue(3), 0.0);

    Graphs->ClearGraphs();
    Graphs->SetViewMode(true);
    Graphs->SetMaxPointsOnScreen(1);  // no limit applies to a viewed file
    for (int s = 0; s < 4; ++s)
        AddSample(s, 10 + s);
    for (int g = 0; g < 5; ++g)
        EXPECT_EQ(Graphs->PointCount(g, g), 4) << "graph " << g;
}

TEST_F(GraphsTest, EveryChannelOfTheGridIsPlottedOnItsGraph) {
    Graphs->ToggleSeries(0, 2);
    Graphs->ToggleSeries(4, 4);  // removes the default one
    EXPECT_TRUE(Graphs->HasSeries(0, 2));
    EXPECT_FALSE(Graphs->HasSeries(4, 4));
    EXPECT_EQ(Chart(4).FirstSeries(), nullptr);
    EXPECT_EQ(Chart(0).graphCount(), 2);
    EXPECT_EQ(Chart(4).graphCount(), 0);
    AddSample(0, 10);
    AddSample(1, 20);
    EXPECT_DOUBLE_EQ(Graphs->PointValue(0, 2, 1), 22);
    EXPECT_DOUBLE_EQ(Graphs->MinValue(0), 10);  // over both series of the chart
    EXPECT_DOUBLE_EQ(Graphs->MaxValue(0), 22);
    EXPECT_EQ(Graphs->PointCount(4, 4), 0);
    EXPECT_THROW(Graphs->PointValue(4, 4, 0), std::out_of_range);
    EXPECT_THROW(Graphs->PointValue(0, 0, 2), std::out_of_range);
}

TEST_F(GraphsTest, PointsStaySortedByTimeAndTheOldestIsTheEarliest) {
    Graphs->SetMaxPointsOnScreen(3);
    AddSample(10, 1);
    AddSample(30, 3);
    AddSample(20, 2);  // earlier than the last one: inserted at its place
    EXPECT_EQ(Times(*Graphs, 0, 0), (std::vector<double>{10, 20, 30}));
    EXPECT_DOUBLE_EQ(Graphs->PointValue(0, 0, 1), 2);
    AddSample(5, 0);  // the limit deletes the earliest point, then the new one goes first
    EXPECT_EQ(Times(*Graphs, 0, 0), (std::vector<double>{5, 20, 30}));
    AddSample(25, 0);
    EXPECT_EQ(Times(*Graphs, 0, 0), (std::vector<double>{20, 25, 30}));
}

TEST_F(GraphsTest, ALimitOfZeroPlotsNothing) {
    Graphs->SetMaxPointsOnScreen(0);
    AddSample(0, 1);
    EXPECT_EQ(Graphs->PointCount(0, 0), 0);
}

TEST_F(GraphsTest, ABulkLoadEndsWithTheSamePointsAsSingleAppends) {
    Graphs->SetViewMode(true);
    const double order[] = {3, 1, 2, 7, 5, 6, 4, 0};  // a file with lines out of order
    {
        TBulkGraphLoad load(*Graphs);
        for (double s : order)
            AddSample(s, 100 - s);
        EXPECT_EQ(Graphs->PointCount(2, 2), 0);  // staged, not yet plotted
    }
    EXPECT_FALSE(Graphs->InBulkLoad());
    EXPECT_EQ(Times(*Graphs, 2, 2), (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_DOUBLE_EQ(Graphs->PointValue(2, 2, 3), 99);
    EXPECT_DOUBLE_EQ(Graphs->MinValue(2), 95);
    EXPECT_DOUBLE_EQ(Graphs->MaxValue(2), 102);

    // A second block merges with what is there.
    Graphs->BeginBulkLoad();
    AddSample(3.5, 0);
    AddSample(9, 200);
    Graphs->EndBulkLoad();
    EXPECT_EQ(Graphs->PointCount(0, 0), 10);
    EXPECT_DOUBLE_EQ(Graphs->PointValue(0, 0, 4), 0);
    EXPECT_DOUBLE_EQ(Graphs->MinValue(0), 0);
    EXPECT_DOUBLE_EQ(Graphs->MaxValue(0), 200);
}

TEST_F(GraphsTest, ClearingEmptiesEverySeriesAndMakesTheAxesAutomatic) {
    AddSample(0, 1);
    AddSample(1, 2);
    for (int g = 0; g < 5; ++g) {
        Chart(g).FixTimeRange(KeyOf(5), KeyOf(1));
        Chart(g).FixValueRange(3, 4);
    }
    Graphs->ClearGraphs();
    for (int g = 0; g < 5; ++g) {
        EXPECT_EQ(Graphs->PointCount(g, g), 0);
        EXPECT_TRUE(Chart(g).TimeRangeAutomatic());
        EXPECT_TRUE(Chart(g).ValueRangeAutomatic());
    }
    EXPECT_TRUE(Graphs->HasSeries(3, 3));  // the grid stays
}
