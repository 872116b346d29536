#pragma once
// Mouse input delivered straight to a widget, as the window system would after it has found the
// widget under the pointer (or the one holding the mouse capture).

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint at,
                      Qt::MouseButton button = Qt::LeftButton) {
    // Moves are sent as made while dragging: the button is held, none changes.
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), changed, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void Press(QWidget& w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonPress, at, button);
}
inline void Move(QWidget& w, QPoint at) { SendMouse(w, QEvent::MouseMove, at); }
inline void Release(QWidget& w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonRelease, at, button);
}
// A whole double click as the window system delivers it: press, release, double click, release.
inline void DoubleClick(QWidget& w, QPoint at) {
    Press(w, at);
    Release(w, at);
    SendMouse(w, QEvent::MouseButtonDblClick, at);
    Release(w, at);
}
