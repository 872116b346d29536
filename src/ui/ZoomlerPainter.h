#pragma once
// Draws the zoom range control: a sunken frame, the light track, the raised thumb with a grip at
// each end, and an arrow button at each end of the track. Figures are given along and across the
// control's axis, so one drawing serves both orientations (a vertical control exchanges X and Y).

#include "ui/ZoomlerGeometry.h"

#include <QColor>
#include <QPoint>
#include <QRect>

class QPainter;

// Fill of every box.
inline const QColor ZoomlerFaceColor{192, 192, 192};
// Light edges of the boxes.
inline const QColor ZoomlerLightColor{255, 255, 255};
// The track beside the thumb.
inline const QColor ZoomlerTrackColor{224, 224, 224};
// Grip lines and arrow triangles.
inline const QColor ZoomlerMarkColor{128, 128, 128};

// What one picture of the control shows.
struct TZoomlerPicture {
    bool Vertical = false;
    int Length = 0;     // along the axis
    int Thickness = 0;  // across it
    bool ShowThumb = true;  // false: only the frame and the empty track
    TThumbPixels Thumb;
    bool BackPressed = false;
    bool ForwardPressed = false;
    QColor DarkColor;  // dark edges: the palette's 3D shadow colour
};

// Thread rule: user-interface thread only (it paints through a QPainter of that thread).
class TZoomlerPainter {
public:
    TZoomlerPainter(QPainter& painter, const TZoomlerPicture& picture);
    void Paint();

private:
    QPoint At(int along, int across) const;
    // The rectangle between two corners, both inclusive.
    QRect Between(int along1, int across1, int along2, int across2) const;
    void RaisedBox(int along1, int across1, int along2, int across2);
    void SunkenBox(int along1, int across1, int along2, int across2);
    void Box(const QRect& box, const QColor& topLeft, const QColor& bottomRight);
    void Triangle(QPoint a, QPoint b, QPoint c);

    QPainter& FPainter;
    const TZoomlerPicture& FPicture;
};
