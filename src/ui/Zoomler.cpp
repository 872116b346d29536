#include "ui/Zoomler.h"

#include "ui/ZoomlerPainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

TZoomler::TZoomler(QWidget* parent) : QWidget(parent) {
    resize(200, 14);
    // Every pixel is painted, so the parent need not paint beneath the control.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Moves without a button still set the cursor over the grips and the thumb.
    setMouseTracking(true);
    RecomputeThumb();
    // A precise timer never fires early, so a held arrow repeats exactly as slowly as promised.
    FRepeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&FRepeatTimer, &QTimer::timeout, this, &TZoomler::RepeatTick);
}

TZoomler::~TZoomler() = default;

int TZoomler::Length() const {
    return FOrientation == TOrientation::Horizontal ? width() : height();
}

int TZoomler::Thickness() const {
    return FOrientation == TOrientation::Horizontal ? height() : width();
}

int TZoomler::Along(QPoint point) const {
    return FOrientation == TOrientation::Horizontal ? point.x() : point.y();
}

bool TZoomler::Usable() const {
    return ZoomlerUsable(FValues, Length());
}

void TZoomler::RecomputeThumb() {
    if (Usable())
        FThumb = ComputeThumbPixels(FValues, Length(), FThumb);
}

void TZoomler::ApplyAutoStep() {
    if (FSetStepAuto)
        FStep = (FValues.Finish - FValues.Start) * 2 / 3;
}

void TZoomler::WindowChanged() {
    ApplyAutoStep();
    RecomputeThumb();
    update();
}

TZoomlerZone TZoomler::ZoneAt(QPoint point) const {
    const bool horizontal = FOrientation == TOrientation::Horizontal;
    return ZoomlerZoneAt(horizontal ? point.x() : point.y(), horizontal ? point.y() : point.x(),
                         Length(), Thickness(), FThumb);
}

// --- Properties -------------------------------------------------------------------------------

void TZoomler::SetMin(double value) {
    FValues.Min = value >= FValues.Max ? FValues.Max - FStep : value;
    RecomputeThumb();
    update();
}

void TZoomler::SetMax(double value) {
    FValues.Max = value <= FValues.Min ? FValues.Min + FStep : value;
    RecomputeThumb();
    update();
}

void TZoomler::SetStart(double value) {
    if (value >= FValues.Finish)
        // Backing off by a whole step must not leave the range.
        FValues.Start = std::max(FValues.Finish - FStep, FValues.Min);
    else if (value < FValues.Min)
        FValues.Start = FValues.Min;
    else
        FValues.Start = value;
    WindowChanged();
}

void TZoomler::SetFinish(double value) {
    if (value <= FValues.Start)
        FValues.Finish = std::min(FValues.Start + FStep, FValues.Max);
    else if (value > FValues.Max)
        FValues.Finish = FValues.Max;
    else
        FValues.Finish = value;
    WindowChanged();
}

void TZoomler::SetOrientation(TOrientation value) {
    FOrientation = value;
    if (value == TOrientation::Horizontal)
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    updateGeometry();
    update();
}

void TZoomler::SetRangeAndWindow(double min, double max, double start, double finish) {
    FValues = {min, max, start, finish};
    WindowChanged();
}

QSize TZoomler::sizeHint() const {
    return FOrientation == TOrientation::Horizontal ? QSize(200, 14) : QSize(14, 200);
}

QSize TZoomler::minimumSizeHint() const {
    // Both arrow buttons and a thumb of the smallest drawn length.
    const int length = 2 * ZoomlerEndRoom + ZoomlerMinThumbLength;
    return FOrientation == TOrientation::Horizontal ? QSize(length, 14) : QSize(14, length);
}

// --- User actions -----------------------------------------------------------------------------

void TZoomler::StepBack() {
    double d = FStep;
    if (FValues.Min + FStep > FValues.Start)
        d = FValues.Start - FValues.Min;
    FValues.Start -= d;
    FValues.Finish -= d;
    RecomputeThumb();
    update();
    emit OnChanged(this);
}

void TZoomler::StepForward() {
    double d = FStep;
    if (FValues.Max - FStep < FValues.Finish)
        d = FValues.Max - FValues.Finish;
    FValues.Start += d;
    FValues.Finish += d;
    RecomputeThumb();
    update();
    emit OnChanged(this);
}

// The window's near end lands on the value that a linear map from the arrow button's inner edge
// (standing for Min) to the thumb's end puts under the pointer; the width is kept. The zone
// bounds keep the pointer at least two pixels from the thumb, so the divisor is never zero.
void TZoomler::JumpBack(int pointer) {
    const double shift = (FValues.Start - FValues.Min) * (FThumb.Start - pointer) /
                         (FThumb.Start - (ZoomlerEndRoom - 1));
    FValues.Start -= shift;
    FValues.Finish -= shift;
    WindowChanged();
    emit OnChanged(this);
}

void TZoomler::JumpForward(int pointer) {
    const double shift = (FValues.Max - FValues.Finish) * (pointer - FThumb.Finish) /
                         ((Length() - (ZoomlerEndRoom - 1)) - FThumb.Finish);
    FValues.Start += shift;
    FValues.Finish += shift;
    WindowChanged();
    emit OnChanged(this);
}

void TZoomler::Press(const TSavedPress& press) {
    if (!Usable())
        return;
    FLastPointer = Along(press.Position);
    const auto armRepeat = [this, &press] {
        if (!FRepeatTimer.isActive()) {
            FRepeatTimer.setInterval(FirstRepeatDelay);
            FRepeatTimer.start();
        }
        FSavedPress = press;
    };
    // The timer is armed before the step: a handler of OnChanged that hides the control then
    // finds it armed and stops it, instead of leaving it to repeat unseen.
    switch (ZoneAt(press.Position)) {
    case TZoomlerZone::BackArrow:
        FBackPressed = true;
        armRepeat();
        StepBack();
        break;
    case TZoomlerZone::ForwardArrow:
        FForwardPressed = true;
        armRepeat();
        StepForward();
        break;
    case TZoomlerZone::TrackBefore:
        JumpBack(FLastPointer);
        break;
    case TZoomlerZone::TrackAfter:
        JumpForward(FLastPointer);
        break;
    case TZoomlerZone::StartGrip:
        FDragMode = TDragMode::StartEnd;
        break;
    case TZoomlerZone::FinishGrip:
        FDragMode = TDragMode::FinishEnd;
        break;
    case TZoomlerZone::ThumbBody:
        FDragMode = TDragMode::WholeThumb;
        break;
    case TZoomlerZone::None:
        FDragMode = TDragMode::None;
        break;
    }
}

void TZoomler::RepeatTick() {
    FRepeatTimer.setInterval(RepeatInterval);
    // The saved point is used even when the pointer has left the arrow since.
    Press(FSavedPress);
}

void TZoomler::Drag(int pointer) {
    if (pointer == FLastPointer)
        return;
    const double d = (pointer - FLastPointer) / ZoomlerScale(FValues, Length());
    // A movement cut short at a limit still counts as handled, so moving back acts at once.
    FLastPointer = pointer;
    TZoomlerValues& v = FValues;
    switch (FDragMode) {
    case TDragMode::StartEnd:
        v.Start += d >= 0 ? std::min(d, v.Finish - v.Start) : std::max(d, v.Min - v.Start);
        WindowChanged();
        emit OnZooming(this);
        break;
    case TDragMode::FinishEnd:
        v.Finish += d > 0 ? std::min(d, v.Max - v.Finish) : std::max(d, v.Start - v.Finish);
        WindowChanged();
        emit OnZooming(this);
        break;
    case TDragMode::WholeThumb: {
        const double e = d >= 0 ? std::min(d, v.Max - v.Finish) : std::max(d, v.Min - v.Start);
        v.Start += e;
        v.Finish += e;
        WindowChanged();
        emit OnScrolling(this);
        break;
    }
    case TDragMode::None:
        break;
    }
}

void TZoomler::UpdateCursor(QPoint point) {
    switch (Usable() ? ZoneAt(point) : TZoomlerZone::None) {
    case TZoomlerZone::StartGrip:
    case TZoomlerZone::FinishGrip:
        setCursor(FOrientation == TOrientation::Horizontal ? Qt::SizeHorCursor
                                                           : Qt::SizeVerCursor);
        break;
    case TZoomlerZone::ThumbBody:
        setCursor(Qt::PointingHandCursor);
        break;
    default:
        unsetCursor();
        break;
    }
}

// Ends every press: the repeat stops, the arrows rise, and a drag under way is reported once.
void TZoomler::Release() {
    FRepeatTimer.stop();
    FBackPressed = false;
    FForwardPressed = false;
    const bool dragged = FDragMode != TDragMode::None;
    FDragMode = TDragMode::None;
    update();
    if (dragged)
        emit OnChanged(this);
}

// --- Events -----------------------------------------------------------------------------------
// Qt's own handlers only ignore mouse events, which would pass them on to the parent; the
// control takes them. Between a press and the release Qt sends it every move and the release,
// even outside its rectangle.

void TZoomler::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Press({event->button(), event->modifiers(), event->position().toPoint()});
}

void TZoomler::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint point = event->position().toPoint();
    UpdateCursor(point);
    if (FDragMode != TDragMode::None && Usable())
        Drag(Along(point));
}

void TZoomler::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    Release();
}

void TZoomler::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click arrives only as this event: handle it as a press
    // first, then reset.
    QWidget::mouseDoubleClickEvent(event);
    event->accept();
    if (!FDblClkEnable || !Usable())
        return;
    FValues.Start = FValues.Min;
    FValues.Finish = FValues.Max;
    RecomputeThumb();
    update();
    emit OnChanged(this);
}

void TZoomler::hideEvent(QHideEvent* event) {
    // A hidden control gets no release: end the press now, or a held arrow would repeat forever.
    Release();
    QWidget::hideEvent(event);
}

void TZoomler::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        Release();
    QWidget::changeEvent(event);
}

void TZoomler::paintEvent(QPaintEvent*) {
    RecomputeThumb();
    // Drawn off-screen and copied in one block, so that a dragged thumb never flickers.
    const qreal ratio = devicePixelRatioF();
    QPixmap buffer(size() * ratio);
    buffer.setDevicePixelRatio(ratio);
    {
        TZoomlerPicture picture;
        picture.Vertical = FOrientation == TOrientation::Vertical;
        picture.Length = Length();
        picture.Thickness = Thickness();
        picture.ShowThumb = Usable();
        picture.Thumb = FThumb;
        picture.BackPressed = FBackPressed;
        picture.ForwardPressed = FForwardPressed;
        picture.DarkColor = palette().color(QPalette::Shadow);
        QPainter painter(&buffer);
        TZoomlerPainter(painter, picture).Paint();
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}
