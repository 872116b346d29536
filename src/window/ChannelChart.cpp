#include "window/ChannelChart.h"

#include "window/AxisTickers.h"
#include "window/ChartStyle.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A range of zero width cannot be drawn; it is opened around its value.
QCPRange Drawable(QCPRange range) {
    range.normalize();
    if (!(range.upper > range.lower)) {
        range.lower -= 0.5;
        range.upper += 0.5;
    }
    return range;
}

// The value range widened so that its ends land at 2 % and 98 % of the axis.
QCPRange Inset(QCPRange range) {
    const double margin = range.size() * TChannelChart::ValueAxisInset /
                          (1 - 2 * TChannelChart::ValueAxisInset);
    return QCPRange(range.lower - margin, range.upper + margin);
}

}  // namespace

TChannelChart::TChannelChart(int graph, QWidget* parent) : QCustomPlot(parent), FGraph(graph) {
    setObjectName(QStringLiteral("Chart%1").arg(graph));
    setBackground(Qt::white);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setInteractions(QCP::Interactions());
    StyleAxes();

    FCursor = new QCPItemStraightLine(this);
    FCursor->setLayer(QStringLiteral("overlay"));
    FCursor->setPen(CursorPen());
    FCursor->setAntialiased(false);
    FCursor->setSelectable(false);
    FCursor->setClipAxisRect(axisRect());
    FCursor->point1->setType(QCPItemPosition::ptAbsolute);
    FCursor->point2->setType(QCPItemPosition::ptAbsolute);
    FCursor->setVisible(false);

    connect(this, &QCustomPlot::beforeReplot, this, &TChannelChart::BeforeReplot);
}

TChannelChart::~TChannelChart() {
    // The graphs belong to the plot; they go while it is still whole.
    for (auto& series : FSeries)
        series.reset();
}

void TChannelChart::StyleAxes() {
    const QFont font = ChartFont();
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
        axis->setTickLabelColor(Qt::black);
        axis->setLabelColor(Qt::black);
    }
    FTimeTicker.reset(new TTimeAxisTicker);
    FTimeTicker->SetLabelFont(font);
    xAxis->setTicker(FTimeTicker);
    FValueTicker.reset(new TValueAxisTicker);
    FValueTicker->SetLabelFont(font);
    yAxis->setTicker(FValueTicker);
    connect(this, &QCustomPlot::afterLayout, this, &TChannelChart::AfterLayout);
    yAxis->setLabel(AxisTitle(FGraph));
    xAxis2->setVisible(false);
    yAxis2->setVisible(false);

    // A fixed room for the value labels keeps the five plotting rectangles aligned, whatever
    // each chart's labels are. It grows beyond the nominal width only when the font needs it.
    const QFontMetrics metrics(font);
    const int labels =
        std::max(ValueLabelWidth, metrics.horizontalAdvance(QStringLiteral("-00 000.00")));
    const int left = yAxis->padding() + yAxis->tickLengthOut() + yAxis->tickLabelPadding() +
                     labels + yAxis->labelPadding() + metrics.height();
    axisRect()->setAutoMargins(QCP::msTop | QCP::msRight | QCP::msBottom);
    axisRect()->setMargins(QMargins(left, 0, 0, 0));
    // Room for half of the topmost value label (the plotting library leaves out a label that
    // would be cut by the chart's edge) and of the rightmost time label.
    const int halfTime = metrics.horizontalAdvance(QStringLiteral("00:00:00")) / 2 + 2;
    axisRect()->setMinimumMargins(
        QMargins(0, (TickLabelHeight(font) + 1) / 2 + 1, std::max(24, halfTime), 0));
}

TChannelSeries* TChannelChart::Series(int channel) const {
    return FSeries.at(static_cast<std::size_t>(channel)).get();
}

TChannelSeries* TChannelChart::CreateSeries(int channel) {
    auto& slot = FSeries.at(static_cast<std::size_t>(channel));
    if (!slot)
        slot = std::make_unique<TChannelSeries>(xAxis, yAxis, channel);
    return slot.get();
}

void TChannelChart::DestroySeries(int channel) {
    auto& slot = FSeries.at(static_cast<std::size_t>(channel));
    if (slot) {
        slot->Graph()->setVisible(false);
        slot->Clear();
        slot.reset();
    }
}

TChannelSeries* TChannelChart::FirstSeries() const {
    for (const auto& series : FSeries)
        if (series)
            return series.get();
    return nullptr;
}

bool TChannelChart::HasPoints() const {
    return std::any_of(FSeries.begin(), FSeries.end(),
                       [](const auto& series) { return series && !series->IsEmpty(); });
}

namespace {

template <class Pick, class Combine>
double Extent(const std::array<std::unique_ptr<TChannelSeries>, 5>& all, Pick pick,
              Combine combine) {
    bool found = false;
    double result = 0;
    for (const auto& series : all) {
        if (!series || series->IsEmpty())
            continue;
        const double value = pick(*series);
        result = found ? combine(result, value) : value;
        found = true;
    }
    return result;
}

double Smaller(double a, double b) { return std::min(a, b); }
double Larger(double a, double b) { return std::max(a, b); }

}  // namespace

double TChannelChart::MinKey() const {
    return Extent(FSeries, [](const TChannelSeries& s) { return s.FirstKey(); }, Smaller);
}

double TChannelChart::MaxKey() const {
    return Extent(FSeries, [](const TChannelSeries& s) { return s.LastKey(); }, Larger);
}

double TChannelChart::MinValue() const {
    return Extent(FSeries, [](const TChannelSeries& s) { return s.MinValue(); }, Smaller);
}

double TChannelChart::MaxValue() const {
    return Extent(FSeries, [](const TChannelSeries& s) { return s.MaxValue(); }, Larger);
}

void TChannelChart::SetRangesAutomatic() {
    FTimeAutomatic = true;
    FValueAutomatic = true;
}

void TChannelChart::FixTimeRange(double key1, double key2) {
    FTimeAutomatic = false;
    FFixedTime = QCPRange(key1, key2);
    FFixedTime.normalize();
}

void TChannelChart::FixValueRange(double value1, double value2) {
    FValueAutomatic = false;
    FFixedValue = QCPRange(value1, value2);
    FFixedValue.normalize();
}

QCPRange TChannelChart::TimeRange() const {
    return FTimeAutomatic ? QCPRange(MinKey(), MaxKey()) : FFixedTime;
}

QCPRange TChannelChart::ValueRange() const {
    return FValueAutomatic ? QCPRange(MinValue(), MaxValue()) : FFixedValue;
}

void TChannelChart::ApplyRanges() {
    // An automatic axis of an empty chart keeps whatever it showed last, but an empty chart
    // labels nothing: neither the plotting library's default range nor a previous file's.
    const bool fit = HasPoints();
    ShowTicks(fit);
    if (!FTimeAutomatic || fit)
        xAxis->setRange(Drawable(TimeRange()));
    if (!FValueAutomatic || fit)
        yAxis->setRange(Inset(Drawable(ValueRange())));
}

void TChannelChart::ShowTicks(bool show) {
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTicks(show);
        axis->setTickLabels(show);
        axis->grid()->setVisible(show);
    }
}

void TChannelChart::AfterLayout() {
    // The ticks were placed during this layout from the axes' lengths of the one before, and
    // the time labels' height (one line, or two with dates) sets the value axis's length. When
    // the plotting rectangle has changed (a resize, labels gaining or losing a line), the layout
    // runs again with the new lengths before anything is drawn; it soon holds still.
    const QRect plot = axisRect()->rect();
    const bool changed = FTimeTicker->AxisLength() != plot.width() ||
                         FValueTicker->AxisLength() != plot.height();
    FTimeTicker->SetAxisLength(plot.width());
    FValueTicker->SetAxisLength(plot.height());
    if (changed && FLayoutDepth < 3) {
        ++FLayoutDepth;
        updateLayout();
        --FLayoutDepth;
    }
}

QRect TChannelChart::PlotRect() const { return axisRect()->rect(); }

double TChannelChart::KeyAtPixel(int x) const { return xAxis->pixelToCoord(x); }

int TChannelChart::PixelOfKey(double key) const {
    const double pixel = xAxis->coordToPixel(key);
    // Far off-screen keys must not overflow the conversion.
    return static_cast<int>(std::lround(std::clamp(pixel, -1e6, 1e6)));
}

void TChannelChart::SetCursorLine(int x) { FCursorX = x < 0 ? -1 : x; }

void TChannelChart::RefreshOverlay() {
    if (FCursorX == FDrawnCursorX)
        return;
    if (FCursorX >= 0) {
        const QRect plot = PlotRect();
        FCursor->point1->setCoords(FCursorX, plot.top());
        FCursor->point2->setCoords(FCursorX, plot.bottom());
    }
    FCursor->setVisible(FCursorX >= 0);
    FDrawnCursorX = FCursorX;
    // Redraws the overlay's own buffer and repaints the widget from the buffers: the chart's
    // picture is not rendered again. (The layer falls back to a full replot only while the
    // buffers are invalid, for example right after a resize.)
    FRefreshingOverlay = true;
    layer(QStringLiteral("overlay"))->replot();
    FRefreshingOverlay = false;
}

void TChannelChart::BeforeReplot() {
    if (!FRefreshingOverlay) {
        // A full replot is a new picture: the cursor line of the old one is gone.
        FCursor->setVisible(false);
        FCursorX = -1;
        FDrawnCursorX = -1;
    }
    ApplyRanges();
}

void TChannelChart::SetHighlighted(bool on) {
    if (on == FHighlighted)
        return;
    FHighlighted = on;
    update();
}

void TChannelChart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    if (!FHighlighted)
        return;
    // A lowered bevel, two pixels deep: shadow along the top and left, light along the bottom
    // and right.
    QPainter painter(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    const QColor outerShadow(128, 128, 128), innerShadow(64, 64, 64);
    const QColor outerLight(255, 255, 255), innerLight(212, 208, 200);
    auto bevel = [&](int inset, const QColor& shadow, const QColor& light) {
        const QRect b = r.adjusted(inset, inset, -inset, -inset);
        painter.setPen(shadow);
        painter.drawLine(b.topLeft(), b.topRight());
        painter.drawLine(b.topLeft(), b.bottomLeft());
        painter.setPen(light);
        painter.drawLine(b.bottomLeft(), b.bottomRight());
        painter.drawLine(b.topRight(), b.bottomRight());
    };
    bevel(0, outerShadow, outerLight);
    bevel(1, innerShadow, innerLight);
}

void TChannelChart::mousePressEvent(QMouseEvent* event) {
    QCustomPlot::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    emit Clicked(FGraph);
}

void TChannelChart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    emit MouseMovedTo(FGraph, event->position().toPoint());
}

void TChannelChart::resizeEvent(QResizeEvent* event) {
    // A panel collapsed to nothing has no picture to render; the next real size replots.
    if (event->size().isEmpty()) {
        QWidget::resizeEvent(event);
        return;
    }
    QCustomPlot::resizeEvent(event);
}

void TChannelChart::focusOutEvent(QFocusEvent* event) {
    QCustomPlot::focusOutEvent(event);
    // Switching to another window or opening a menu keeps the selection; the chart gets the
    // focus back with its window.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    emit FocusLost(FGraph);
}
