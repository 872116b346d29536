#pragma once
// One channel drawn on one chart: a QCustomPlot line graph whose points stay sorted by time,
// with the extents the charts and zoom controls ask for kept at hand.

#include <qcustomplot.h>

#include <QVector>

// Thread rule: user-interface thread only, like the chart that owns the graph.
class TChannelSeries {
public:
    // Creates the graph on the axes' chart: a plain polyline in the channel's colour, no point
    // marks, adaptive sampling on.
    TChannelSeries(QCPAxis* timeAxis, QCPAxis* valueAxis, int channel);
    // Removes the graph from its chart.
    ~TChannelSeries();
    TChannelSeries(const TChannelSeries&) = delete;
    TChannelSeries& operator=(const TChannelSeries&) = delete;

    int Channel() const { return FChannel; }
    QCPGraph* Graph() const { return FGraph; }

    int Count() const { return FData->size(); }
    bool IsEmpty() const { return FData->isEmpty(); }
    // Time (axis key, seconds) and value of point i, in time order; std::out_of_range outside
    // 0 .. Count() - 1.
    double KeyAt(int index) const;
    double ValueAt(int index) const;
    // Smallest and largest key and value; 0 when the series is empty.
    double FirstKey() const;
    double LastKey() const;
    double MinValue() const;
    double MaxValue() const;

    // Adds a point at its place in time order: appended when it is not earlier than the last
    // point, inserted where it belongs otherwise.
    void Append(double key, double value);
    // Deletes the point with the earliest time; nothing when empty. Amortised constant time: the
    // container only moves its start and compacts now and then.
    void RemoveOldest();
    // Empties the series and gives its memory back (a viewed file may have held millions).
    void Clear();

    // Bulk loading: points are collected aside and handed to the graph's container in one
    // sorted block by CommitStaged, which spares the per-point bookkeeping of a day file.
    void ReserveStaged(int points);
    void Stage(double key, double value);
    void CommitStaged();
    int StagedCount() const { return FStaged.size(); }

private:
    void IncludeValue(double value);
    void RecomputeValueRange() const;
    void CheckIndex(int index) const;

    int FChannel;
    QCPGraph* FGraph;
    QSharedPointer<QCPGraphDataContainer> FData;
    // Value extents, recomputed lazily after the deletion of a point that held one of them.
    mutable double FMinValue = 0;
    mutable double FMaxValue = 0;
    mutable bool FValueRangeKnown = true;

    QVector<QCPGraphData> FStaged;
    bool FStagedSorted = true;
    double FStagedMin = 0;
    double FStagedMax = 0;
};
