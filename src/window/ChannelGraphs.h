#pragma once
// TChannelGraphs: the station's five stacked channel graphs as one component of the main
// window. It holds the time zoom control (DataZoomler) along its top and, under it, the client
// area PanelClientArea: five panels Panel0..Panel4 separated by splitters Splitter0..Splitter3,
// each panel holding a vertical zoom control Zoomler<n> (14 pixels wide) and the chart
// Chart<n>. Both carry Tag n.
//
// The window places it under its tool bar and wires:
//   - the five graph check boxes: AttachCheckBoxes (a graph always stays shown);
//   - "Arrange": LayOutGraphs; "Clear": ClearGraphs;
//   - "Mouse": SetMouseReadout; the acquisition state: SetAcquiring;
//   - status bar panel 0: the ReadoutChanged signal;
//   - its ViewMode and MaxPointsOnScreen fields: SetViewMode, SetMaxPointsOnScreen;
//   - its start and stop sequences: SetZoomControlsVisible, ClearGraphs, UpdateZoomRanges;
//   - the settings: ToggleSeries / HasSeries for the series grid (it starts empty).
// Packets arrive through AddPacketToGraphs; a file being loaded goes between BeginBulkLoad and
// EndBulkLoad (or a TBulkGraphLoad). Charts are replotted by a timer, about 25 times a second,
// and only when something changed.

#include "acquisition/DateTime.h"
#include "window/ChannelChart.h"
#include "window/ReplotPacer.h"

#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QAbstractButton;
class QSplitter;
class TLogicalPacket;
class TZoomler;

// Thread rule: user-interface thread only; packets reach it through the processing thread's
// synchronous hand-off.
class TChannelGraphs : public QWidget {
    Q_OBJECT

public:
    static constexpr int GraphCount = 5;
    static constexpr int ChannelCount = 5;
    static constexpr int SplitterHeight = 3;

    explicit TChannelGraphs(QWidget* parent = nullptr);
    ~TChannelGraphs() override;

    // --- The parts, for the window and the form storage (also found by object name).
    TZoomler* DataZoomler() const { return FDataZoomler; }
    QSplitter* ClientArea() const { return FClientArea; }
    QWidget* Panel(int graph) const;
    TZoomler* Zoomler(int graph) const;
    TChannelChart* Chart(int graph) const;

    // --- Series grid: entry (graph, channel) holds the series of that channel on that graph.
    // Creates the entry's series when it is empty, else empties and destroys it.
    void ToggleSeries(int graph, int channel);
    bool HasSeries(int graph, int channel) const;
    TChannelSeries* Series(int graph, int channel) const;
    // The grid of a first run: channel g on graph g, for the entries still empty.
    void CreateDefaultSeries();

    // --- State the window keeps the component informed of.
    // A file is shown: every series receives every point, without a limit.
    void SetViewMode(bool on) { FViewMode = on; }
    bool ViewMode() const { return FViewMode; }
    // Points kept per series during acquisition; 0 or less adds nothing.
    void SetMaxPointsOnScreen(int points) { FMaxPointsOnScreen = points; }
    int MaxPointsOnScreen() const { return FMaxPointsOnScreen; }
    // The readout and cursor lines follow the mouse only when on and not acquiring.
    void SetMouseReadout(bool on);
    bool MouseReadout() const { return FMouseReadout; }
    void SetAcquiring(bool on);
    bool Acquiring() const { return FAcquiring; }
    // The six zoom controls are shown only while idle.
    void SetZoomControlsVisible(bool visible);

    // --- Points.
    // In view mode every series gets the point; otherwise only the series of shown graphs,
    // each first dropping its oldest points down to MaxPointsOnScreen - 1.
    void AddPacketToGraphs(const TLogicalPacket& packet);
    void AddSample(TDateTime time, const std::array<double, 5>& values);
    // Between these two, view-mode points are collected per series and handed to the charts in
    // one block at the end (a day file has 86,400 or more points per series). Queries see the
    // points after EndBulkLoad. Calls nest. An expected number of points (for example the file
    // size over the line length) spares the collection its regrowth.
    void BeginBulkLoad(int expectedPoints = 0);
    void EndBulkLoad();
    bool InBulkLoad() const { return FBulkDepth > 0; }
    // Empties every series and returns both axes of every chart to automatic ranges.
    void ClearGraphs();

    // --- Layout.
    // Binds the window's five graph check boxes: their toggles show and hide graphs (the last
    // shown graph cannot be hidden: its box is checked again), and they reflect SetGraphChecked.
    void AttachCheckBoxes(const std::array<QAbstractButton*, 5>& boxes);
    // Applies a check box change and lays the graphs out; returns the state that holds (an
    // attempt to uncheck the only shown graph leaves it checked).
    bool SetGraphChecked(int graph, bool checked);
    bool GraphChecked(int graph) const;
    // Shows the checked graphs with equal heights, hides the others.
    void LayOutGraphs();
    bool GraphVisible(int graph) const;
    const std::vector<int>& VisibleGraphs() const { return FVisibleGraphs; }
    int VisibleGraphCount() const { return static_cast<int>(FVisibleGraphs.size()); }
    // Panel heights (0 for a hidden panel), for the settings.
    std::array<int, 5> PanelHeights() const;
    void SetPanelHeights(const std::array<int, 5>& heights);

    // --- Zoom controls: sets their ranges and windows from the plotted data, firing nothing.
    void UpdateZoomRanges();

    // --- Mouse readout and cursor lines.
    void DrawCrossHairs(int index);
    void EraseCrossHairs();
    // Pixel column of the cursor line on a graph, -1 when none.
    int CrossHairX(int graph) const;
    // The highlighted graph, -1 when none.
    int SelectedChart() const { return FSelectedChart; }
    const QString& ReadoutText() const { return FReadoutText; }

    // --- Queries in the station's units (date-times and channel values).
    // Over all points plotted on a chart; 0 when it has none.
    TDateTime MinTime(int graph) const;
    TDateTime MaxTime(int graph) const;
    double MinValue(int graph) const;
    double MaxValue(int graph) const;
    // Per series; a missing series counts 0 points. std::out_of_range for a bad point index.
    int PointCount(int graph, int channel) const;
    TDateTime PointTime(int graph, int channel, int index) const;
    double PointValue(int graph, int channel, int index) const;

    // --- Repaint pacing.
    TReplotPacer& Pacer() { return *FPacer; }
    // Replots every changed, visible chart now instead of at the next tick.
    void ReplotNow() { FPacer->ReplotChanged(); }

signals:
    // The mouse readout for status bar panel 0: "Time: hh:nn:ss, v0, v1, ...".
    void ReadoutChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPanels();
    void ChartMouseMoved(int graph, QPoint position);
    void ChartClicked(int graph);
    void ChartFocusLost(int graph);
    void VerticalZoomChanged(TZoomler* zoomler);
    void TimeZoomChanged(TZoomler* zoomler);
    void PlaceCrossHairs(int index);
    void RemoveCrossHairs();
    void RefreshOverlays();
    void SetReadout(const QString& text);
    TChannelSeries* ReadoutSeries(int graph) const;

    TZoomler* FDataZoomler = nullptr;
    QSplitter* FClientArea = nullptr;
    std::array<QWidget*, 5> FPanels{};
    std::array<TZoomler*, 5> FZoomlers{};
    std::array<TChannelChart*, 5> FCharts{};
    std::unique_ptr<TReplotPacer> FPacer;

    std::array<bool, 5> FChecked{true, true, true, true, true};
    std::array<QAbstractButton*, 5> FCheckBoxes{};
    std::array<bool, 5> FGraphVisible{true, true, true, true, true};
    std::vector<int> FVisibleGraphs{0, 1, 2, 3, 4};
    bool FLayoutPending = true;
    bool FAreaSized = false;

    bool FViewMode = false;
    bool FAcquiring = false;
    bool FMouseReadout = false;
    int FMaxPointsOnScreen = 100;
    int FBulkDepth = 0;

    // Zoom work values: the last data extents given to the zoom controls.
    TDateTime FTimeMin = 0;
    TDateTime FTimeMax = 0;
    std::array<double, 5> FValueMin{};
    std::array<double, 5> FValueMax{};

    int FSelectedChart = -1;
    QString FReadoutText;
};

// Scoped bulk load: EndBulkLoad runs however the loading ends.
class TBulkGraphLoad {
public:
    explicit TBulkGraphLoad(TChannelGraphs& graphs, int expectedPoints = 0) : FGraphs(graphs) {
        FGraphs.BeginBulkLoad(expectedPoints);
    }
    ~TBulkGraphLoad() { FGraphs.EndBulkLoad(); }
    TBulkGraphLoad(const TBulkGraphLoad&) = delete;
    TBulkGraphLoad& operator=(const TBulkGraphLoad&) = delete;

private:
    TChannelGraphs& FGraphs;
};
