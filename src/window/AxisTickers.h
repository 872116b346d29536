#pragma once
// Tick placement and labels of the charts, in the station's own formats, never through a
// locale. Both tickers space their ticks by the room their labels take on the axis, so that
// neighbouring labels never touch however small the chart: the chart tells them the axis's
// length in pixels after every layout, and the labels' font.

#include <qcustomplot.h>

#include <QFont>

// The height of one tick label in `font`, as the plotting library measures it to draw it.
int TickLabelHeight(const QFont& font);

// Bottom axis (keys in seconds, see TimeKey.h): ticks on whole seconds only, at steps of 1, 2,
// 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h or whole days. Labels "hh:nn:ss";
// on a span of more than a day, a tick at midnight also shows its date ("yyyy-mm-dd") on a
// second line, so that days do not all read "00:00:00".
class TTimeAxisTicker : public QCPAxisTicker {
public:
    void SetAxisLength(double pixels) { FAxisLength = pixels; }
    double AxisLength() const { return FAxisLength; }
    void SetLabelFont(const QFont& font) { FFont = font; }

    // The smallest step of the series above that is at least `seconds` (never below 1 s).
    static double StepOfAtLeast(double seconds);

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

private:
    double FAxisLength = 0;
    QFont FFont;
    bool FWithDates = false;
};

// Left axis: labels "#,##0.###" at steps of 1, 2, 2.5 or 5 times a power of ten, never below
// MinimumStep (a flat signal is not labelled with digits that mean nothing), and far enough
// apart that each label clears its neighbour by a small gap. A label whose lower half would
// hang below the axis into the time labels is left out (its tick stays). An axis too short
// for two labels gets one (the roundest value it can label), or none when not even one fits.
class TValueAxisTicker : public QCPAxisTicker {
public:
    static constexpr double MinimumStep = 0.01;

    void SetAxisLength(double pixels) { FAxisLength = pixels; }
    double AxisLength() const { return FAxisLength; }
    void SetLabelFont(const QFont& font) { FFont = font; }

    // The smallest step of the series above that is at least `value`.
    static double StepOfAtLeast(double value);

protected:
    double getTickStep(const QCPRange& range) override;
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

private:
    // The lowest value labelled on `range`: half a label above the axis's lower end.
    double LabelFloor(const QCPRange& range) const;

    double FAxisLength = 0;
    QFont FFont;
    double FLabelFloor = 0;
};
