#pragma once
// TZoomler: a slim slider with which the user picks a window [Start, Finish] inside a range
// [Min, Max]. Dragging the thumb's body scrolls the window, dragging one of its ends (a grip)
// zooms, the arrow buttons step the window by Step (held, they repeat), a click on the free track
// jumps towards the click, and a double click (when DblClkEnable) shows the whole range.
//
// The control only holds and edits the four numbers; its owner applies them. It reports through
// three signals, each carrying the control itself, emitted after the values have changed:
//   OnScrolling - on each handled pointer move while the whole thumb is dragged;
//   OnZooming   - on each handled pointer move while one end of the thumb is dragged;
//   OnChanged   - after each arrow step (also every repeated one), each jump, a double-click
//                 reset, and at the release of the mouse button that ended a drag.
// Property writes and SetRangeAndWindow emit nothing.
//
// Horizontal controls grow to the right; vertical ones grow downwards (Min at the top).

#include "ui/ZoomlerGeometry.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

// Thread rule: user-interface thread only; the repeat timer runs on that thread's event loop.
class TZoomler : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double Min READ Min WRITE SetMin)
    Q_PROPERTY(double Max READ Max WRITE SetMax)
    Q_PROPERTY(double Start READ Start WRITE SetStart)
    Q_PROPERTY(double Finish READ Finish WRITE SetFinish)
    Q_PROPERTY(double Step READ Step WRITE SetStep)
    Q_PROPERTY(bool SetStepAuto READ SetStepAuto WRITE SetSetStepAuto)
    Q_PROPERTY(bool DblClkEnable READ DblClkEnable WRITE SetDblClkEnable)
    Q_PROPERTY(TOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    enum class TOrientation { Horizontal, Vertical };
    Q_ENUM(TOrientation)

    // Thumb drag under way.
    enum class TDragMode { None, StartEnd, FinishEnd, WholeThumb };

    // First repetition of a held arrow, then the following ones, in milliseconds.
    static constexpr int FirstRepeatDelay = 500;
    static constexpr int RepeatInterval = 50;

    // 200 x 14 pixels, horizontal, range 1..100, window 30..70, Step 1, automatic step on,
    // double click off.
    explicit TZoomler(QWidget* parent = nullptr);
    ~TZoomler() override;

    double Min() const { return FValues.Min; }
    double Max() const { return FValues.Max; }
    double Start() const { return FValues.Start; }
    double Finish() const { return FValues.Finish; }
    double Step() const { return FStep; }
    bool SetStepAuto() const { return FSetStepAuto; }
    bool DblClkEnable() const { return FDblClkEnable; }
    TOrientation Orientation() const { return FOrientation; }
    // A number for the owner, for example the graph a vertical control belongs to.
    int Tag() const { return FTag; }

    // A value >= Max stores Max - Step. Start and Finish are left alone.
    void SetMin(double value);
    // A value <= Min stores Min + Step. Start and Finish are left alone.
    void SetMax(double value);
    // A value >= Finish stores Finish - Step (not below Min); a value below Min stores Min.
    void SetStart(double value);
    // A value <= Start stores Start + Step (not above Max); a value above Max stores Max.
    void SetFinish(double value);
    void SetStep(double value) { FStep = value; }
    // When on, every change of the window's width sets Step to two thirds of the width.
    void SetSetStepAuto(bool value) { FSetStepAuto = value; }
    void SetDblClkEnable(bool value) { FDblClkEnable = value; }
    // Repaints; the size is left to the owner (a vertical control is usually 14 pixels wide).
    void SetOrientation(TOrientation value);
    void SetTag(int value) { FTag = value; }

    // Stores all four values unchanged, without any check: the caller keeps Min < Max and the
    // window inside the range (to show the whole range, pass the bounds again as the window).
    void SetRangeAndWindow(double min, double max, double start, double finish);

    // Where the thumb's ends are drawn along the axis, and the part of the control at a point.
    TThumbPixels ThumbPixels() const { return FThumb; }
    TZoomlerZone ZoneAt(QPoint point) const;
    TDragMode DragMode() const { return FDragMode; }
    bool IsRepeating() const { return FRepeatTimer.isActive(); }
    int RepeatTimerInterval() const { return FRepeatTimer.interval(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void OnScrolling(TZoomler* sender);
    void OnZooming(TZoomler* sender);
    void OnChanged(TZoomler* sender);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The press that armed the repeat timer, replayed on each tick.
    struct TSavedPress {
        Qt::MouseButton Button = Qt::NoButton;
        Qt::KeyboardModifiers Modifiers;
        QPoint Position;
    };

    int Length() const;
    int Thickness() const;
    int Along(QPoint point) const;
    bool Usable() const;
    void RecomputeThumb();
    void ApplyAutoStep();
    void WindowChanged();

    void Press(const TSavedPress& press);
    void Release();
    void RepeatTick();
    void StepBack();
    void StepForward();
    void JumpBack(int pointer);
    void JumpForward(int pointer);
    void Drag(int pointer);
    void UpdateCursor(QPoint point);

    TZoomlerValues FValues;
    double FStep = 1;
    bool FSetStepAuto = true;
    bool FDblClkEnable = false;
    TOrientation FOrientation = TOrientation::Horizontal;
    int FTag = 0;

    TThumbPixels FThumb;
    TDragMode FDragMode = TDragMode::None;
    int FLastPointer = 0;
    bool FBackPressed = false;
    bool FForwardPressed = false;
    QTimer FRepeatTimer;
    TSavedPress FSavedPress;
};
