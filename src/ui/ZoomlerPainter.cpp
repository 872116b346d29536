#include "ui/ZoomlerPainter.h"

#include <QPainter>
#include <QPolygon>

TZoomlerPainter::TZoomlerPainter(QPainter& painter, const TZoomlerPicture& picture)
    : FPainter(painter), FPicture(picture) {}

QPoint TZoomlerPainter::At(int along, int across) const {
    return FPicture.Vertical ? QPoint(across, along) : QPoint(along, across);
}

QRect TZoomlerPainter::Between(int along1, int across1, int along2, int across2) const {
    return QRect(At(along1, across1), At(along2, across2));
}

void TZoomlerPainter::RaisedBox(int along1, int across1, int along2, int across2) {
    Box(Between(along1, across1, along2, across2), ZoomlerLightColor, FPicture.DarkColor);
}

void TZoomlerPainter::SunkenBox(int along1, int across1, int along2, int across2) {
    Box(Between(along1, across1, along2, across2), FPicture.DarkColor, ZoomlerLightColor);
}

// Lines are filled one-pixel rectangles: their ends are then exact, whatever the pen's rules.
void TZoomlerPainter::Box(const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
    if (!box.isValid())
        return;
    FPainter.fillRect(box, ZoomlerFaceColor);
    FPainter.fillRect(QRect(box.left(), box.top(), box.width(), 1), topLeft);
    FPainter.fillRect(QRect(box.left(), box.top(), 1, box.height()), topLeft);
    FPainter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), bottomRight);
    FPainter.fillRect(QRect(box.right(), box.top(), 1, box.height()), bottomRight);
}

void TZoomlerPainter::Triangle(QPoint a, QPoint b, QPoint c) {
    FPainter.setPen(ZoomlerMarkColor);
    FPainter.setBrush(ZoomlerMarkColor);
    FPainter.drawPolygon(QPolygon({a, b, c}));
}

void TZoomlerPainter::Paint() {
    const int l = FPicture.Length;
    const int t = FPicture.Thickness;
    FPainter.setRenderHint(QPainter::Antialiasing, false);

    SunkenBox(0, 0, l - 1, t - 1);
    const QRect track = Between(2, 2, l - 3, t - 3);
    if (track.isValid())
        FPainter.fillRect(track, ZoomlerTrackColor);
    if (!FPicture.ShowThumb)
        return;

    const int s = FPicture.Thumb.Start;
    const int f = FPicture.Thumb.Finish;
    RaisedBox(s, 2, f, t - 3);
    // The sunken middle leaves a raised grip ten pixels long at each end of the thumb.
    SunkenBox(s + 10, 3, f - 10, t - 4);

    const auto arrowButton = [this](int from, int to, bool pressed, int t) {
        if (pressed)
            SunkenBox(from, 2, to, t - 3);
        else
            RaisedBox(from, 2, to, t - 3);
    };
    arrowButton(1, 11, FPicture.BackPressed, t);
    arrowButton(l - 11, l - 2, FPicture.ForwardPressed, t);

    for (const int gripLine : {s + 5, f - 5}) {
        const QRect line = Between(gripLine, 3, gripLine, t - 4);
        if (line.isValid())
            FPainter.fillRect(line, ZoomlerMarkColor);
    }

    const int middle = (t - 4) / 2 + 2;
    Triangle(At(9, 3), At(9, t - 4), At(2, middle));
    Triangle(At(l - 9, 3), At(l - 9, t - 4), At(l - 3, middle));
}
