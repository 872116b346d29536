#include "app/window/AxisTickers.h"

#include "app/window/TimeKey.h"
#include "app/window/ValueText.h"

#include <algorithm>

TTimeAxisTicker::TTimeAxisTicker() {
    // Stamps are local instrument time stored as if UTC: no zone shift in the tick placement.
    setDateTimeSpec(Qt::UTC);
}

QString TTimeAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    return QString::fromStdString(FormatClockTime(KeyToTime(tick)));
}

double TValueAxisTicker::getTickStep(const QCPRange& range) {
    return std::max(QCPAxisTicker::getTickStep(range), MinimumStep);
}

QString TValueAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    return QString::fromStdString(FormatAxisValue(tick));
}
