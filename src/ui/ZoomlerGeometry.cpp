#include "ui/ZoomlerGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int RoundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double Limit = 1e6;
    value = std::clamp(value, -Limit, Limit);
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1;
    return static_cast<int>(rounded);
}

bool ZoomlerUsable(const TZoomlerValues& values, int length) {
    const bool finite = std::isfinite(values.Min) && std::isfinite(values.Max) &&
                        std::isfinite(values.Start) && std::isfinite(values.Finish);
    // The range's width must itself be finite, or the scale collapses to zero.
    return finite && values.Max > values.Min && std::isfinite(values.Max - values.Min) &&
           length > 2 * ZoomlerEndRoom;
}

double ZoomlerScale(const TZoomlerValues& values, int length) {
    return (length - 2 * ZoomlerEndRoom) / (values.Max - values.Min);
}

TThumbPixels ComputeThumbPixels(const TZoomlerValues& values, int length, TThumbPixels previous) {
    const double scale = ZoomlerScale(values, length);
    TThumbPixels thumb;
    thumb.Start = ZoomlerEndRoom + RoundHalfEven((values.Start - values.Min) * scale);
    thumb.Finish = (length - ZoomlerEndRoom) - RoundHalfEven((values.Max - values.Finish) * scale);
    if (thumb.Finish - thumb.Start >= ZoomlerMinThumbLength)
        return thumb;
    const int startMoved = std::abs(thumb.Start - previous.Start);
    const int finishMoved = std::abs(thumb.Finish - previous.Finish);
    if (finishMoved > startMoved)
        thumb.Finish = thumb.Start + ZoomlerMinThumbLength;
    else if (startMoved > finishMoved)
        thumb.Start = thumb.Finish - ZoomlerMinThumbLength;
    else
        thumb = previous;
    return thumb;
}

TZoomlerZone ZoomlerZoneAt(int along, int across, int length, int thickness, TThumbPixels thumb) {
    if (across < 3 || across >= thickness - 3)
        return TZoomlerZone::None;
    const auto within = [along](int from, int upTo) { return along >= from && along < upTo; };
    const int s = thumb.Start;
    const int f = thumb.Finish;
    if (within(1, 11))
        return TZoomlerZone::BackArrow;
    if (within(ZoomlerEndRoom, s - 1))
        return TZoomlerZone::TrackBefore;
    if (within(s + 1, s + 11))
        return TZoomlerZone::StartGrip;
    if (within(s + 12, f - 12))
        return TZoomlerZone::ThumbBody;
    if (within(f - 11, f - 1))
        return TZoomlerZone::FinishGrip;
    if (within(f + 1, length - ZoomlerEndRoom))
        return TZoomlerZone::TrackAfter;
    if (within(length - 11, length - 1))
        return TZoomlerZone::ForwardArrow;
    return TZoomlerZone::None;
}
