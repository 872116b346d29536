#pragma once
// Tick labels of the charts in the station's own formats, never through a locale.

#include <qcustomplot.h>

// Bottom axis: QCustomPlot's date-time tick placement (in UTC, see TimeKey.h), labels
// "hh:nn:ss".
class TTimeAxisTicker : public QCPAxisTickerDateTime {
public:
    TTimeAxisTicker();

protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;
};

// Left axis: labels "#,##0.###" and never a step below MinimumStep, so a flat signal is not
// labelled with digits that mean nothing.
class TValueAxisTicker : public QCPAxisTicker {
public:
    static constexpr double MinimumStep = 0.01;

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;
};
