#pragma once
// Paces the charts' repaints: a change only marks its chart, and a timer replots the marked
// charts at most IntervalMs apart, so a burst of appended points costs one replot, not one per
// point. A hidden chart stays marked until it is shown and marked again.

#include <QObject>
#include <QTimer>

#include <vector>

class QCustomPlot;

// Thread rule: user-interface thread only; the timer runs on that thread's event loop.
class TReplotPacer : public QObject {
    Q_OBJECT

public:
    // About 25 replots per second.
    static constexpr int IntervalMs = 40;

    explicit TReplotPacer(std::vector<QCustomPlot*> charts, QObject* parent = nullptr);

    void MarkChanged(int chart);
    void MarkAllChanged();
    bool IsPending(int chart) const { return FChanged.at(static_cast<std::size_t>(chart)); }
    bool IsTimerActive() const { return FTimer.isActive(); }

    // Replots every marked chart that is visible and has a size, now. The timer calls it; tests and the
    // benchmark call it to get the picture without waiting.
    void ReplotChanged();

private:
    std::vector<QCustomPlot*> FCharts;
    std::vector<bool> FChanged;
    QTimer FTimer;
};
