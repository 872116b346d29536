#pragma once
// The look shared by the five channel charts: channel colours, axis titles, fonts, the cursor
// pen and the highlight colours.

#include <QColor>
#include <QFont>
#include <QPen>
#include <QString>

#include <array>

// Line colour of each channel: Bx blue, By green, Bz red, Ex navy, Ey purple.
inline const std::array<QColor, 5> ChannelColors = {
    QColor(0, 0, 255), QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 128),
    QColor(128, 0, 128)};

// Left axis title of graph g: "Bx, nT", "By, nT", "Bz, nT", "Ts, C", "Te, C".
QString AxisTitle(int graph);

// Times New Roman, 13 pixels; where it is not installed the nearest serif face stands in.
QFont ChartFont();

// Dashed aqua line, one pixel wide, for the cursor lines under the mouse.
QPen CursorPen();

// Pixels reserved for the value labels at the left of every chart, so the five plotting
// rectangles line up under one another.
constexpr int ValueLabelWidth = 50;
