// Mouse input for the panel's widgets without a window system, and a wait that runs the
// event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>

namespace quelvar::test
{

inline void sendMouse(QWidget* w, QEvent::Type type, QPoint at,
                      Qt::MouseButton button = Qt::LeftButton)
{
    const bool move = type == QEvent::MouseMove;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), move ? Qt::NoButton : button,
                  held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void sendClick(QWidget* w, QPoint at)
{
    sendMouse(w, QEvent::MouseButtonPress, at);
    sendMouse(w, QEvent::MouseButtonRelease, at);
}

inline void sendClick(QWidget* w)
{
    sendClick(w, w->rect().center());
}

// Press, move there in steps, release.
inline void drag(QWidget* w, QPoint from, QPoint to, int steps = 8)
{
    sendMouse(w, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= steps; ++i)
        sendMouse(w, QEvent::MouseMove, from + (to - from) * i / steps);
    sendMouse(w, QEvent::MouseButtonRelease, to);
}

inline void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace quelvar::test
