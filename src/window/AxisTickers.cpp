#include "window/AxisTickers.h"

#include "window/TimeKey.h"
#include "window/ValueText.h"
#include "recording/DateFormat.h"

#include <QFontMetrics>
#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

struct TTimeStep {
    double Seconds;
    int SubTicks;
};

// Whole-second steps up to a day, each with sub-ticks that fall on round values too.
constexpr std::array<TTimeStep, 17> TimeSteps = {{
    {1, 0}, {2, 1}, {5, 4}, {10, 1}, {15, 2}, {30, 2},
    {60, 3}, {120, 1}, {300, 4}, {600, 1}, {900, 2}, {1800, 2},
    {3600, 3}, {7200, 1}, {10800, 2}, {21600, 1}, {43200, 1},
}};

// The smallest of 1, 2, 2.5, 5 times a power of ten that is at least `value` (> 0, finite).
double NiceStepOfAtLeast(double value) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(value)));
    for (const double mantissa : {1.0, 2.0, 2.5, 5.0}) {
        // A hair of tolerance: log10 and pow do not give powers of ten exactly.
        if (mantissa * magnitude >= value * (1 - 1e-9))
            return mantissa * magnitude;
    }
    return 10 * magnitude;
}

// Ticks on an axis of `pixels` for a range of `span` must be at least this far apart (in the
// range's units) to keep `labelPixels` between them.
double SpanPerLabel(double span, double labelPixels, double pixels) {
    return pixels > 0 ? span * labelPixels / pixels : span;
}

}  // namespace

int TickLabelHeight(const QFont& font) {
    return QFontMetrics(font)
        .boundingRect(0, 0, 0, 0, Qt::TextDontClip | Qt::AlignHCenter, QStringLiteral("0"))
        .height();
}

double TTimeAxisTicker::StepOfAtLeast(double seconds) {
    if (!std::isfinite(seconds))
        return std::numeric_limits<double>::max();
    for (const TTimeStep& step : TimeSteps)
        if (step.Seconds >= seconds)
            return step.Seconds;
    // Whole days, at 1, 2, 5, 10, 20, 50, ... days.
    double days = 1;
    for (int i = 0; days * SecondsPerDay < seconds; ++i)
        days *= i % 3 == 1 ? 2.5 : 2;
    return days * SecondsPerDay;
}

double TTimeAxisTicker::getTickStep(const QCPRange& range) {
    FWithDates = range.size() > SecondsPerDay;
    const QFontMetricsF metrics(FFont);
    double labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
    if (FWithDates)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QStringLiteral("0000-00-00")));
    // Half a label's width of air between neighbours.
    return StepOfAtLeast(SpanPerLabel(range.size(), 1.5 * labelWidth, FAxisLength));
}

int TTimeAxisTicker::getSubTickCount(double tickStep) {
    for (const TTimeStep& step : TimeSteps)
        if (step.Seconds == tickStep)
            return step.SubTicks;
    // Days: 1 -> 3 (every 6 h), 2 -> 1, 5 -> 4, 10 -> 1, ...
    const double days = tickStep / SecondsPerDay;
    return days == 1 ? 3 : QCPAxisTicker::getSubTickCount(days);
}

QString TTimeAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    const TDateTime time = KeyToTime(tick);
    std::string label = FormatClockTime(time);
    // Keys count seconds from a midnight, so midnights are exact multiples of a day.
    if (FWithDates && std::fmod(tick, SecondsPerDay) == 0)
        label += "\n" + FormatDateTime("yyyy-mm-dd", time);
    return QString::fromStdString(label);
}

double TValueAxisTicker::StepOfAtLeast(double value) {
    if (!std::isfinite(value))
        return std::numeric_limits<double>::max();
    return NiceStepOfAtLeast(std::max(value, MinimumStep));
}

double TValueAxisTicker::getTickStep(const QCPRange& range) {
    const double labelHeight = TickLabelHeight(FFont);
    // A small gap, so that two labels never touch.
    const double gap = std::max(2.0, labelHeight / 4);
    return StepOfAtLeast(SpanPerLabel(range.size(), labelHeight + gap, FAxisLength));
}

double TValueAxisTicker::LabelFloor(const QCPRange& range) const {
    return range.lower + SpanPerLabel(range.size(), TickLabelHeight(FFont) / 2.0, FAxisLength);
}

QVector<double> TValueAxisTicker::createTickVector(double tickStep, const QCPRange& range) {
    FLabelFloor = LabelFloor(range);
    const QCPRange labelled(FLabelFloor, range.upper);
    QVector<double> ticks = QCPAxisTicker::createTickVector(tickStep, range);
    const bool anyLabelled = std::any_of(ticks.begin(), ticks.end(),
                                         [&](double tick) { return labelled.contains(tick); });
    if (anyLabelled || FAxisLength < TickLabelHeight(FFont))
        return ticks;
    // Room for one label but no multiple of the step to put it on: one label alone cannot meet
    // another, so it takes the roundest value it can, trying ever finer nice steps.
    const double centre = labelled.center();
    double magnitude = std::pow(10.0, std::floor(std::log10(tickStep)));
    while (magnitude * 5 >= MinimumStep) {
        for (const double mantissa : {5.0, 2.5, 2.0, 1.0}) {
            const double step = mantissa * magnitude;
            if (step > tickStep || step < MinimumStep * (1 - 1e-9))
                continue;
            const double tick = std::round(centre / step) * step;
            if (labelled.contains(tick))
                return {tick};
        }
        magnitude /= 10;
    }
    return {};
}

QString TValueAxisTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    // An empty label is not drawn.
    if (tick < FLabelFloor) return {};
    return QString::fromStdString(FormatAxisValue(tick));
}
