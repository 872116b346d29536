#pragma once
// Where the parts of the zoom range control lie along its axis: the pixels of the thumb's two
// ends and the part of the control under a point. Kept free of widgets so that the rules can be
// checked alone; the coordinates are "along" the control's axis (X of a horizontal control, Y of
// a vertical one) and "across" it.

// The numbers a zoom range control edits: the range [Min, Max] and the window [Start, Finish].
struct TZoomlerValues {
    double Min = 1;
    double Max = 100;
    double Start = 30;
    double Finish = 70;
};

// Pixels, along the axis, of the thumb's two ends.
struct TThumbPixels {
    int Start = 0;
    int Finish = 0;
    bool operator==(const TThumbPixels&) const = default;
};

// The parts of the control a point can hit, in the order they are tested.
enum class TZoomlerZone {
    None,  // the border and the one-pixel seams between the parts
    BackArrow,
    TrackBefore,
    StartGrip,
    ThumbBody,
    FinishGrip,
    TrackAfter,
    ForwardArrow,
};

// Room kept at each end of the track for an arrow button: values map onto pixels
// ZoomlerEndRoom .. length - ZoomlerEndRoom.
constexpr int ZoomlerEndRoom = 12;
// A thumb is never drawn shorter, so that both grips and a piece of body stay reachable.
constexpr int ZoomlerMinThumbLength = 30;

// Rounds to the nearest integer, halves to the even one. Values far outside any screen are held
// at +-1e6 (and NaN gives 0) so that the conversion to int is always defined.
int RoundHalfEven(double value);

// True when the values can be mapped onto a control of this length: finite values, Max above
// Min and some track between the arrow buttons. Otherwise the control draws an empty track and
// ignores the mouse, so nothing divides by zero.
bool ZoomlerUsable(const TZoomlerValues& values, int length);

// Pixels per value unit; only meaningful when ZoomlerUsable.
double ZoomlerScale(const TZoomlerValues& values, int length);

// The thumb's ends for the values, never drawn shorter than ZoomlerMinThumbLength: when the
// window is too narrow, the end that moved most since `previous` (the last result) is pushed
// outwards; when both moved alike (inwards, about the drawn thumb's centre), the thumb stays
// where it was drawn.
TThumbPixels ComputeThumbPixels(const TZoomlerValues& values, int length, TThumbPixels previous);

// The part under the point; left and top bounds inclusive, right and bottom exclusive.
TZoomlerZone ZoomlerZoneAt(int along, int across, int length, int thickness, TThumbPixels thumb);
