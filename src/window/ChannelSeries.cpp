#include "window/ChannelSeries.h"

#include "window/ChartStyle.h"

#include <algorithm>
#include <stdexcept>
#include <string>

TChannelSeries::TChannelSeries(QCPAxis* timeAxis, QCPAxis* valueAxis, int channel)
    : FChannel(channel), FGraph(new QCPGraph(timeAxis, valueAxis)) {
    FData = FGraph->data();
    FGraph->setLineStyle(QCPGraph::lsLine);
    FGraph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    FGraph->setPen(QPen(ChannelColors.at(static_cast<std::size_t>(channel)), 1));
    FGraph->setAdaptiveSampling(true);
    FGraph->setAntialiased(false);
    FGraph->setSelectable(QCP::stNone);
    FGraph->setVisible(true);
}

TChannelSeries::~TChannelSeries() {
    if (QCustomPlot* plot = FGraph->parentPlot())
        plot->removeGraph(FGraph);
}

void TChannelSeries::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("Series point index " + std::to_string(index) +
                                " out of range 0.." + std::to_string(Count() - 1));
}

double TChannelSeries::KeyAt(int index) const {
    CheckIndex(index);
    return (FData->constBegin() + index)->key;
}

double TChannelSeries::ValueAt(int index) const {
    CheckIndex(index);
    return (FData->constBegin() + index)->value;
}

double TChannelSeries::FirstKey() const { return IsEmpty() ? 0 : FData->constBegin()->key; }

double TChannelSeries::LastKey() const { return IsEmpty() ? 0 : (FData->constEnd() - 1)->key; }

double TChannelSeries::MinValue() const {
    RecomputeValueRange();
    return FMinValue;
}

double TChannelSeries::MaxValue() const {
    RecomputeValueRange();
    return FMaxValue;
}

void TChannelSeries::RecomputeValueRange() const {
    if (FValueRangeKnown)
        return;
    FMinValue = FMaxValue = 0;
    if (!IsEmpty()) {
        const auto [low, high] = std::minmax_element(
            FData->constBegin(), FData->constEnd(),
            [](const QCPGraphData& a, const QCPGraphData& b) { return a.value < b.value; });
        FMinValue = low->value;
        FMaxValue = high->value;
    }
    FValueRangeKnown = true;
}

void TChannelSeries::IncludeValue(double value) {
    if (!FValueRangeKnown)
        return;
    if (Count() == 1) {
        FMinValue = FMaxValue = value;
    } else {
        FMinValue = std::min(FMinValue, value);
        FMaxValue = std::max(FMaxValue, value);
    }
}

void TChannelSeries::Append(double key, double value) {
    // The container appends in place when the key is not earlier than the last one and inserts
    // at the sorted position otherwise.
    FData->add(QCPGraphData(key, value));
    IncludeValue(value);
}

void TChannelSeries::RemoveOldest() {
    if (IsEmpty())
        return;
    const QCPGraphData oldest = *FData->constBegin();
    // Removing by the first key takes exactly the first point, even when later points share its
    // time, and only advances the container's start.
    FData->remove(oldest.key);
    if (IsEmpty()) {
        FMinValue = FMaxValue = 0;
        FValueRangeKnown = true;
    } else if (oldest.value <= FMinValue || oldest.value >= FMaxValue) {
        FValueRangeKnown = false;
    }
}

void TChannelSeries::Clear() {
    FData->clear();
    FData->squeeze(true, true);
    FStaged = QVector<QCPGraphData>();
    FStagedSorted = true;
    FMinValue = FMaxValue = 0;
    FValueRangeKnown = true;
}

void TChannelSeries::ReserveStaged(int points) {
    if (points > FStaged.size())
        FStaged.reserve(points);
}

void TChannelSeries::Stage(double key, double value) {
    if (FStaged.isEmpty()) {
        FStagedMin = FStagedMax = value;
    } else {
        FStagedSorted = FStagedSorted && FStaged.constLast().key <= key;
        FStagedMin = std::min(FStagedMin, value);
        FStagedMax = std::max(FStagedMax, value);
    }
    FStaged.append(QCPGraphData(key, value));
}

void TChannelSeries::CommitStaged() {
    if (FStaged.isEmpty())
        return;
    const bool wasEmpty = IsEmpty();
    if (!FStagedSorted)
        std::stable_sort(FStaged.begin(), FStaged.end(),
                         [](const QCPGraphData& a, const QCPGraphData& b) { return a.key < b.key; });
    // An empty container adopts the block without copying it; otherwise the block is merged.
    FData->add(FStaged, true);
    if (wasEmpty) {
        FMinValue = FStagedMin;
        FMaxValue = FStagedMax;
        FValueRangeKnown = true;
    } else if (FValueRangeKnown) {
        FMinValue = std::min(FMinValue, FStagedMin);
        FMaxValue = std::max(FMaxValue, FStagedMax);
    }
    FStaged = QVector<QCPGraphData>();
    FStagedSorted = true;
}
