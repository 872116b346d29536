#include "window/ReplotPacer.h"

#include <qcustomplot.h>

TReplotPacer::TReplotPacer(std::vector<QCustomPlot*> charts, QObject* parent)
    : QObject(parent), FCharts(std::move(charts)), FChanged(FCharts.size(), false) {
    FTimer.setInterval(IntervalMs);
    connect(&FTimer, &QTimer::timeout, this, &TReplotPacer::ReplotChanged);
}

void TReplotPacer::MarkChanged(int chart) {
    FChanged.at(static_cast<std::size_t>(chart)) = true;
    if (!FTimer.isActive())
        FTimer.start();
}

void TReplotPacer::MarkAllChanged() {
    for (std::size_t i = 0; i < FCharts.size(); ++i)
        MarkChanged(static_cast<int>(i));
}

void TReplotPacer::ReplotChanged() {
    for (std::size_t i = 0; i < FCharts.size(); ++i) {
        if (!FChanged[i] || !FCharts[i]->isVisible() || FCharts[i]->size().isEmpty())
            continue;
        FChanged[i] = false;
        // Renders into the chart's buffers now; the widget is repainted from them by the next
        // paint event.
        FCharts[i]->replot(QCustomPlot::rpQueuedRefresh);
    }
    // Idle charts cost no timer ticks; the next change starts the timer again.
    FTimer.stop();
}
