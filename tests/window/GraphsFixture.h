#pragma once
// The channel graphs inside a small stand-in for the main window (the graphs, five check boxes,
// a line edit to take the focus away), shown on the offscreen platform, with the default series
// grid; helpers for stamps, samples, real mouse input and counting replots.

#include "../ui/MouseInput.h"
#include "../ui/TestApplication.h"
#include "window/ChannelGraphs.h"
#include "window/TimeKey.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QVBoxLayout>

#include <array>
#include <functional>

// 2024-01-05 12:00:00 plus a number of seconds.
inline TDateTime Stamp(double seconds) {
    return EncodeDateTime(2024, 1, 5, 12, 0, 0) + seconds / SecondsPerDay;
}

inline double KeyOf(double seconds) { return TimeToKey(Stamp(seconds)); }

// A pointer move without a button, as when the mouse passes over a chart.
inline void Hover(QWidget& widget, QPoint at) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(widget.mapToGlobal(at)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool ProcessEventsUntil(const std::function<bool()>& condition, int milliseconds = 2000) {
    QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// Counts the full replots of each chart (a redraw of the overlay layer alone is not one).
struct TReplotCounter {
    explicit TReplotCounter(TChannelGraphs& graphs) {
        for (int g = 0; g < 5; ++g)
            QObject::connect(graphs.Chart(g), &QCustomPlot::afterReplot,
                             [this, g] { ++Counts[static_cast<std::size_t>(g)]; });
    }
    int Total() const { return Counts[0] + Counts[1] + Counts[2] + Counts[3] + Counts[4]; }
    std::array<int, 5> Counts{};
};

class GraphsTest : public ::testing::Test {
protected:
    GraphsTest() {
        auto* layout = new QVBoxLayout(&Window);
        layout->setContentsMargins(0, 0, 0, 0);
        for (int g = 0; g < 5; ++g) {
            Boxes[static_cast<std::size_t>(g)] = new QCheckBox(QStringLiteral("Box%1").arg(g));
            Boxes[static_cast<std::size_t>(g)]->setChecked(true);
            layout->addWidget(Boxes[static_cast<std::size_t>(g)]);
        }
        Graphs = new TChannelGraphs;
        layout->addWidget(Graphs, 1);
        Edit = new QLineEdit;
        layout->addWidget(Edit);
        Graphs->CreateDefaultSeries();
        Graphs->AttachCheckBoxes({Boxes[0], Boxes[1], Boxes[2], Boxes[3], Boxes[4]});
        Window.resize(800, 700);
        Window.show();
        Window.activateWindow();
        ProcessEventsUntil([this] { return Window.isActiveWindow(); }, 500);
        Settle();
    }

    // Lets pending layout, resize and replot work finish.
    void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        Graphs->ReplotNow();
    }

    // Five distinct channel values for one sample.
    void AddSample(double seconds, double value) {
        Graphs->AddSample(Stamp(seconds), {value, value + 1, value + 2, value + 3, value + 4});
    }

    // Clicks a check box the way the user does.
    void ClickBox(int g) {
        QCheckBox& box = *Boxes[static_cast<std::size_t>(g)];
        const QPoint at(6, box.height() / 2);
        Press(box, at);
        Release(box, at);
    }

    TChannelChart& Chart(int g) { return *Graphs->Chart(g); }

    QApplication& Application = TestApplication();
    QWidget Window;
    std::array<QCheckBox*, 5> Boxes{};
    TChannelGraphs* Graphs = nullptr;
    QLineEdit* Edit = nullptr;
};
