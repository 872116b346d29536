#include "window/ChartStyle.h"

#include <QStringList>

QString AxisTitle(int graph) {
    static const char* const titles[] = {"Bx, nT", "By, nT", "Bz, nT", "Ts, C", "Te, C"};
    return graph >= 0 && graph < 5 ? QString::fromLatin1(titles[graph]) : QString();
}

QFont ChartFont() {
    QFont font;
    // The listed families are tried in order; the style hint picks a serif face beyond them.
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(13);
    return font;
}

QPen CursorPen() {
    QPen pen(QColor(0, 255, 255));
    pen.setStyle(Qt::DashLine);
    pen.setWidth(1);
    return pen;
}
