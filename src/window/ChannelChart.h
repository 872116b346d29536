#pragma once
// One of the five channel charts: a QCustomPlot with a date-time bottom axis and a value left
// axis, up to one series per channel, axis ranges that are either automatic (fit the data) or
// fixed, a cursor line drawn on its own buffered layer, and a highlight frame.

#include "window/ChannelSeries.h"

#include <qcustomplot.h>

#include <array>
#include <memory>

class TTimeAxisTicker;
class TValueAxisTicker;

// Thread rule: user-interface thread only.
class TChannelChart : public QCustomPlot {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag)

public:
    static constexpr int ChannelCount = 5;
    // The value axis spans 2 % to 98 % of the plotting rectangle's height, so the extreme values
    // never sit on its edges.
    static constexpr double ValueAxisInset = 0.02;

    // `graph` (0..4) chooses the axis title and becomes the Tag.
    explicit TChannelChart(int graph, QWidget* parent = nullptr);
    ~TChannelChart() override;

    int Tag() const { return FGraph; }

    // The series of a channel on this chart, or null.
    TChannelSeries* Series(int channel) const;
    // Creates the channel's series when it has none; returns it.
    TChannelSeries* CreateSeries(int channel);
    // Empties and destroys the channel's series, when there is one.
    void DestroySeries(int channel);
    // The series with the lowest channel number, or null.
    TChannelSeries* FirstSeries() const;
    bool HasPoints() const;

    // Smallest and largest time (axis key, seconds) and value over all points of all series;
    // 0 when the chart has no points.
    double MinKey() const;
    double MaxKey() const;
    double MinValue() const;
    double MaxValue() const;

    // Axis ranges. Fixed bounds may come in either order. They take effect at the next replot;
    // automatic ranges are fitted to the data at every replot.
    void SetRangesAutomatic();
    void FixTimeRange(double key1, double key2);
    void FixValueRange(double value1, double value2);
    bool TimeRangeAutomatic() const { return FTimeAutomatic; }
    bool ValueRangeAutomatic() const { return FValueAutomatic; }
    // The range meant for each axis: the fixed bounds, or the data's extents when automatic.
    QCPRange TimeRange() const;
    QCPRange ValueRange() const;

    // The plotting rectangle, in the chart's pixels.
    QRect PlotRect() const;
    // Time key under a pixel column, and the pixel column of a time key (as last plotted).
    double KeyAtPixel(int x) const;
    int PixelOfKey(double key) const;

    // Cursor line: a vertical line across the plotting rectangle at pixel column x, or none
    // when x < 0. It takes effect with RefreshOverlay, which redraws the overlay layer alone
    // and leaves the chart's picture as it is. A full replot removes the line (CursorX() -1).
    void SetCursorLine(int x);
    void RefreshOverlay();
    int CursorX() const { return FCursorX; }

    // Highlight: a lowered bevel around the chart.
    void SetHighlighted(bool on);
    bool Highlighted() const { return FHighlighted; }

signals:
    void Clicked(int graph);
    void FocusLost(int graph);
    void MouseMovedTo(int graph, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void StyleAxes();
    void BeforeReplot();
    void ApplyRanges();
    void ShowTicks(bool show);
    void AfterLayout();

    QSharedPointer<TTimeAxisTicker> FTimeTicker;
    QSharedPointer<TValueAxisTicker> FValueTicker;
    int FLayoutDepth = 0;

    int FGraph;
    std::array<std::unique_ptr<TChannelSeries>, ChannelCount> FSeries;

    bool FTimeAutomatic = true;
    bool FValueAutomatic = true;
    QCPRange FFixedTime;
    QCPRange FFixedValue;

    QCPItemStraightLine* FCursor = nullptr;
    int FCursorX = -1;
    int FDrawnCursorX = -1;
    bool FRefreshingOverlay = false;

    bool FHighlighted = false;
};
