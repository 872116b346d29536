#include "window/ChannelGraphs.h"

#include "acquisition/LogicalPacket.h"
#include "window/NearestPoint.h"
#include "window/TimeKey.h"
#include "window/ValueText.h"
#include "ui/Zoomler.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

TChannelGraphs::TChannelGraphs(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FDataZoomler = new TZoomler(this);
    FDataZoomler->setObjectName(QStringLiteral("DataZoomler"));
    FDataZoomler->SetOrientation(TZoomler::TOrientation::Horizontal);
    FDataZoomler->setFixedHeight(14);
    // Only the release of a drag is applied: replotting five charts of a day file follows a
    // drag poorly, and the time window is chosen, not tracked.
    connect(FDataZoomler, &TZoomler::OnChanged, this, &TChannelGraphs::TimeZoomChanged);
    layout->addWidget(FDataZoomler);

    FClientArea = new QSplitter(Qt::Vertical, this);
    FClientArea->setObjectName(QStringLiteral("PanelClientArea"));
    FClientArea->setHandleWidth(SplitterHeight);
    FClientArea->setChildrenCollapsible(false);
    FClientArea->installEventFilter(this);
    layout->addWidget(FClientArea, 1);

    BuildPanels();
    FPacer = std::make_unique<TReplotPacer>(
        std::vector<QCustomPlot*>(FCharts.begin(), FCharts.end()));
}

TChannelGraphs::~TChannelGraphs() {
    // The pacer must not tick into charts being destroyed.
    FPacer.reset();
}

void TChannelGraphs::BuildPanels() {
    for (int g = 0; g < GraphCount; ++g) {
        auto* panel = new QWidget(FClientArea);
        panel->setObjectName(QStringLiteral("Panel%1").arg(g));
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);

        auto* zoomler = new TZoomler(panel);
        zoomler->setObjectName(QStringLiteral("Zoomler%1").arg(g));
        zoomler->SetOrientation(TZoomler::TOrientation::Vertical);
        zoomler->setFixedWidth(14);
        zoomler->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        zoomler->SetTag(g);
        // All three events: the chart follows a drag while it happens.
        connect(zoomler, &TZoomler::OnScrolling, this, &TChannelGraphs::VerticalZoomChanged);
        connect(zoomler, &TZoomler::OnZooming, this, &TChannelGraphs::VerticalZoomChanged);
        connect(zoomler, &TZoomler::OnChanged, this, &TChannelGraphs::VerticalZoomChanged);
        row->addWidget(zoomler);

        auto* chart = new TChannelChart(g, panel);
        connect(chart, &TChannelChart::MouseMovedTo, this, &TChannelGraphs::ChartMouseMoved);
        connect(chart, &TChannelChart::Clicked, this, &TChannelGraphs::ChartClicked);
        connect(chart, &TChannelChart::FocusLost, this, &TChannelGraphs::ChartFocusLost);
        row->addWidget(chart, 1);

        FClientArea->addWidget(panel);
        // A resized area keeps the panels' proportions, so equal heights stay equal.
        FClientArea->setStretchFactor(g, 1);
        FPanels[static_cast<std::size_t>(g)] = panel;
        FZoomlers[static_cast<std::size_t>(g)] = zoomler;
        FCharts[static_cast<std::size_t>(g)] = chart;
    }
    // The handle in front of panel g + 1 separates it from panel g.
    for (int g = 0; g + 1 < GraphCount; ++g)
        FClientArea->handle(g + 1)->setObjectName(QStringLiteral("Splitter%1").arg(g));
}

QWidget* TChannelGraphs::Panel(int graph) const { return FPanels.at(static_cast<std::size_t>(graph)); }

TZoomler* TChannelGraphs::Zoomler(int graph) const {
    return FZoomlers.at(static_cast<std::size_t>(graph));
}

TChannelChart* TChannelGraphs::Chart(int graph) const {
    return FCharts.at(static_cast<std::size_t>(graph));
}

// ---------------------------------------------------------------------------------------------
// Series grid

void TChannelGraphs::ToggleSeries(int graph, int channel) {
    TChannelChart* chart = Chart(graph);
    if (chart->Series(channel))
        chart->DestroySeries(channel);
    else
        chart->CreateSeries(channel);
    FPacer->MarkChanged(graph);
}

bool TChannelGraphs::HasSeries(int graph, int channel) const {
    return Series(graph, channel) != nullptr;
}

TChannelSeries* TChannelGraphs::Series(int graph, int channel) const {
    return Chart(graph)->Series(channel);
}

void TChannelGraphs::CreateDefaultSeries() {
    for (int g = 0; g < GraphCount; ++g)
        if (!HasSeries(g, g))
            ToggleSeries(g, g);
}

// ---------------------------------------------------------------------------------------------
// Modes

void TChannelGraphs::SetMouseReadout(bool on) {
    FMouseReadout = on;
    if (!on)
        EraseCrossHairs();
}

void TChannelGraphs::SetAcquiring(bool on) {
    FAcquiring = on;
    if (on)
        EraseCrossHairs();
}

void TChannelGraphs::SetZoomControlsVisible(bool visible) {
    FDataZoomler->setVisible(visible);
    for (TZoomler* zoomler : FZoomlers)
        zoomler->setVisible(visible);
}

// ---------------------------------------------------------------------------------------------
// Points

void TChannelGraphs::AddPacketToGraphs(const TLogicalPacket& packet) {
    AddSample(packet.TimeStamp(), packet.Values());
}

void TChannelGraphs::AddSample(TDateTime time, const std::array<double, 5>& values) {
    const double key = TimeToKey(time);
    if (FViewMode) {
        // A viewed file fills every series, shown or not, so a graph shown later has it all.
        for (int g = 0; g < GraphCount; ++g) {
            TChannelChart* chart = Chart(g);
            for (int c = 0; c < ChannelCount; ++c) {
                TChannelSeries* series = chart->Series(c);
                if (!series)
                    continue;
                if (FBulkDepth > 0)
                    series->Stage(key, values[static_cast<std::size_t>(c)]);
                else
                    series->Append(key, values[static_cast<std::size_t>(c)]);
            }
            if (FBulkDepth == 0)
                FPacer->MarkChanged(g);
        }
        return;
    }
    // Live plotting is off at a limit of 0; the caller normally skips the call then.
    if (FMaxPointsOnScreen <= 0)
        return;
    for (int g : FVisibleGraphs) {
        TChannelChart* chart = Chart(g);
        for (int c = 0; c < ChannelCount; ++c) {
            TChannelSeries* series = chart->Series(c);
            if (!series)
                continue;
            // Down to one below the limit, so the series never holds more than the limit.
            while (series->Count() >= FMaxPointsOnScreen)
                series->RemoveOldest();
            series->Append(key, values[static_cast<std::size_t>(c)]);
        }
        FPacer->MarkChanged(g);
    }
}

void TChannelGraphs::BeginBulkLoad(int expectedPoints) {
    ++FBulkDepth;
    for (int g = 0; g < GraphCount; ++g)
        for (int c = 0; c < ChannelCount; ++c)
            if (TChannelSeries* series = Series(g, c))
                series->ReserveStaged(expectedPoints);
}

void TChannelGraphs::EndBulkLoad() {
    if (FBulkDepth == 0 || --FBulkDepth > 0)
        return;
    for (int g = 0; g < GraphCount; ++g)
        for (int c = 0; c < ChannelCount; ++c)
            if (TChannelSeries* series = Series(g, c))
                series->CommitStaged();
    FPacer->MarkAllChanged();
}

void TChannelGraphs::ClearGraphs() {
    for (int g = 0; g < GraphCount; ++g) {
        TChannelChart* chart = Chart(g);
        for (int c = 0; c < ChannelCount; ++c)
            if (TChannelSeries* series = chart->Series(c))
                series->Clear();
        chart->SetRangesAutomatic();
    }
    FPacer->MarkAllChanged();
}

// ---------------------------------------------------------------------------------------------
// Layout

void TChannelGraphs::AttachCheckBoxes(const std::array<QAbstractButton*, 5>& boxes) {
    FCheckBoxes = boxes;
    for (int g = 0; g < GraphCount; ++g) {
        QAbstractButton* box = boxes[static_cast<std::size_t>(g)];
        if (!box)
            continue;
        FChecked[static_cast<std::size_t>(g)] = box->isChecked();
        // Toggled, not clicked: a box restored from the settings moves its graph too.
        connect(box, &QAbstractButton::toggled, this,
                [this, g](bool checked) { SetGraphChecked(g, checked); });
    }
    // Boxes that arrive all unchecked still leave one graph to show.
    if (std::none_of(FChecked.begin(), FChecked.end(), [](bool on) { return on; }))
        SetGraphChecked(0, true);
    else
        LayOutGraphs();
}

bool TChannelGraphs::SetGraphChecked(int graph, bool checked) {
    const auto index = static_cast<std::size_t>(graph);
    bool othersChecked = false;
    for (int g = 0; g < GraphCount; ++g)
        othersChecked = othersChecked || (g != graph && FChecked[static_cast<std::size_t>(g)]);
    // A graph always stays shown.
    if (!checked && !othersChecked)
        checked = true;
    FChecked.at(index) = checked;
    if (QAbstractButton* box = FCheckBoxes[index]; box && box->isChecked() != checked) {
        const QSignalBlocker blocker(box);
        box->setChecked(checked);
    }
    LayOutGraphs();
    return checked;
}

bool TChannelGraphs::GraphChecked(int graph) const {
    return FChecked.at(static_cast<std::size_t>(graph));
}

bool TChannelGraphs::GraphVisible(int graph) const {
    return FGraphVisible.at(static_cast<std::size_t>(graph));
}

void TChannelGraphs::LayOutGraphs() {
    FVisibleGraphs.clear();
    for (int g = 0; g < GraphCount; ++g) {
        FGraphVisible[static_cast<std::size_t>(g)] = FChecked[static_cast<std::size_t>(g)];
        if (FChecked[static_cast<std::size_t>(g)])
            FVisibleGraphs.push_back(g);
    }
    for (int g = 0; g < GraphCount; ++g)
        FPanels[static_cast<std::size_t>(g)]->setVisible(FGraphVisible[static_cast<std::size_t>(g)]);
    if (FVisibleGraphs.empty())
        return;
    // The splitter shows and hides its handles on a posted layout request; the heights below
    // must be shared with the handles as they will be.
    QCoreApplication::sendPostedEvents(FClientArea, QEvent::LayoutRequest);

    const int last = FVisibleGraphs.back();
    const int count = VisibleGraphCount();
    const int available = FClientArea->height() - FClientArea->handleWidth() * (count - 1);
    // Before the area has its size the heights cannot be shared; its first resize does it.
    FLayoutPending = !FAreaSized || available < count;
    if (!FLayoutPending) {
        const int height = available / count;
        QList<int> sizes(GraphCount, 0);
        for (int g : FVisibleGraphs)
            sizes[g] = height;
        sizes[last] = available - height * (count - 1);
        FClientArea->setSizes(sizes);
    }
    for (int g : FVisibleGraphs)
        FPacer->MarkChanged(g);
}

std::array<int, 5> TChannelGraphs::PanelHeights() const {
    std::array<int, 5> heights{};
    const QList<int> sizes = FClientArea->sizes();
    for (int g = 0; g < GraphCount && g < sizes.size(); ++g)
        heights[static_cast<std::size_t>(g)] = GraphVisible(g) ? sizes[g] : 0;
    return heights;
}

void TChannelGraphs::SetPanelHeights(const std::array<int, 5>& heights) {
    FClientArea->setSizes(QList<int>(heights.begin(), heights.end()));
}

bool TChannelGraphs::eventFilter(QObject* watched, QEvent* event) {
    // The splitter already has its new size when its resize event arrives.
    if (watched == FClientArea && event->type() == QEvent::Resize) {
        FAreaSized = true;
        if (FLayoutPending)
            LayOutGraphs();
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Zoom controls

void TChannelGraphs::VerticalZoomChanged(TZoomler* zoomler) {
    const int graph = zoomler->Tag();
    // The control's Min end is at its top: its window measured from the bottom is the value
    // range, so moving the window up shows higher values.
    const double sum = zoomler->Min() + zoomler->Max();
    Chart(graph)->FixValueRange(sum - zoomler->Finish(), sum - zoomler->Start());
    FPacer->MarkChanged(graph);
}

void TChannelGraphs::TimeZoomChanged(TZoomler* zoomler) {
    const double start = TimeToKey(zoomler->Start());
    const double finish = TimeToKey(zoomler->Finish());
    for (int g = 0; g < GraphCount; ++g) {
        Chart(g)->FixTimeRange(start, finish);
        FPacer->MarkChanged(g);
    }
}

void TChannelGraphs::UpdateZoomRanges() {
    std::vector<int> visited;
    if (FViewMode)
        visited = {0, 1, 2, 3, 4};
    else
        visited = FVisibleGraphs;
    // Charts without points have no extents: they must not pull the time range to 0.
    bool haveTime = false;
    double minKey = 0, maxKey = 0;
    for (int g : visited) {
        const TChannelChart* chart = Chart(g);
        if (!chart->HasPoints())
            continue;
        minKey = haveTime ? std::min(minKey, chart->MinKey()) : chart->MinKey();
        maxKey = haveTime ? std::max(maxKey, chart->MaxKey()) : chart->MaxKey();
        haveTime = true;
        const auto index = static_cast<std::size_t>(g);
        FValueMin[index] = chart->MinValue();
        FValueMax[index] = chart->MaxValue();
        // A flat graph keeps its control's previous range: a control cannot span nothing.
        if (FValueMin[index] != FValueMax[index])
            Zoomler(g)->SetRangeAndWindow(FValueMin[index], FValueMax[index], FValueMin[index],
                                          FValueMax[index]);
    }
    if (!haveTime)
        return;
    FTimeMin = KeyToTime(minKey);
    FTimeMax = KeyToTime(maxKey);
    if (minKey != maxKey)
        FDataZoomler->SetRangeAndWindow(FTimeMin, FTimeMax, FTimeMin, FTimeMax);
}

// ---------------------------------------------------------------------------------------------
// Mouse readout, cursor lines, highlight

TChannelSeries* TChannelGraphs::ReadoutSeries(int graph) const {
    // The first channel from the graph's own number upwards that the graph shows.
    for (int c = graph; c < ChannelCount; ++c)
        if (TChannelSeries* series = Series(graph, c))
            return series;
    return nullptr;
}

void TChannelGraphs::ChartMouseMoved(int graph, QPoint position) {
    if (!FMouseReadout || FAcquiring)
        return;
    RemoveCrossHairs();
    const TChannelChart* chart = Chart(graph);
    const TChannelSeries* series = chart->FirstSeries();
    if (!chart->PlotRect().contains(position) || !series || series->IsEmpty()) {
        RefreshOverlays();
        return;
    }
    const double x = chart->KeyAtPixel(position.x());
    const int index =
        NearestPointIndex(series->Count(), x, [series](int i) { return series->KeyAt(i); });

    QString text = QStringLiteral("Time: ") +
                   QString::fromStdString(FormatClockTime(KeyToTime(series->KeyAt(index))));
    for (int g = 0; g < GraphCount; ++g) {
        const TChannelSeries* shown = ReadoutSeries(g);
        if (!shown)
            continue;
        text += index < shown->Count()
                    ? QStringLiteral(", ") + QString::fromStdString(FormatAxisValue(shown->ValueAt(index)))
                    : QStringLiteral(", ????");
    }
    SetReadout(text);
    PlaceCrossHairs(index);
    RefreshOverlays();
}

void TChannelGraphs::SetReadout(const QString& text) {
    FReadoutText = text;
    emit ReadoutChanged(text);
}

void TChannelGraphs::PlaceCrossHairs(int index) {
    for (int g = 0; g < GraphCount; ++g) {
        TChannelChart* chart = Chart(g);
        int x = -1;
        const TChannelSeries* series = chart->Series(g);
        if (GraphVisible(g) && series && index >= 0 && index < series->Count()) {
            const int column = chart->PixelOfKey(series->KeyAt(index));
            const QRect plot = chart->PlotRect();
            if (column > plot.left() && column < plot.right())
                x = column;
        }
        chart->SetCursorLine(x);
    }
}

void TChannelGraphs::RemoveCrossHairs() {
    for (TChannelChart* chart : FCharts)
        chart->SetCursorLine(-1);
}

void TChannelGraphs::RefreshOverlays() {
    for (TChannelChart* chart : FCharts)
        chart->RefreshOverlay();
}

void TChannelGraphs::DrawCrossHairs(int index) {
    PlaceCrossHairs(index);
    RefreshOverlays();
}

void TChannelGraphs::EraseCrossHairs() {
    RemoveCrossHairs();
    RefreshOverlays();
}

int TChannelGraphs::CrossHairX(int graph) const { return Chart(graph)->CursorX(); }

void TChannelGraphs::ChartClicked(int graph) {
    if (FSelectedChart >= 0 && FSelectedChart != graph)
        Chart(FSelectedChart)->SetHighlighted(false);
    Chart(graph)->SetHighlighted(true);
    FSelectedChart = graph;
}

void TChannelGraphs::ChartFocusLost(int graph) {
    Chart(graph)->SetHighlighted(false);
    if (FSelectedChart == graph)
        FSelectedChart = -1;
}

// ---------------------------------------------------------------------------------------------
// Queries

TDateTime TChannelGraphs::MinTime(int graph) const {
    const TChannelChart* chart = Chart(graph);
    return chart->HasPoints() ? KeyToTime(chart->MinKey()) : 0;
}

TDateTime TChannelGraphs::MaxTime(int graph) const {
    const TChannelChart* chart = Chart(graph);
    return chart->HasPoints() ? KeyToTime(chart->MaxKey()) : 0;
}

double TChannelGraphs::MinValue(int graph) const { return Chart(graph)->MinValue(); }

double TChannelGraphs::MaxValue(int graph) const { return Chart(graph)->MaxValue(); }

int TChannelGraphs::PointCount(int graph, int channel) const {
    const TChannelSeries* series = Series(graph, channel);
    return series ? series->Count() : 0;
}

TDateTime TChannelGraphs::PointTime(int graph, int channel, int index) const {
    const TChannelSeries* series = Series(graph, channel);
    if (!series)
        throw std::out_of_range("Graph has no series of that channel");
    return KeyToTime(series->KeyAt(index));
}

double TChannelGraphs::PointValue(int graph, int channel, int index) const {
    const TChannelSeries* series = Series(graph, channel);
    if (!series)
        throw std::out_of_range("Graph has no series of that channel");
    return series->ValueAt(index);
}
