#include "standalone/panel/Button.h"

#include "standalone/panel/PanelLook.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace quelvar
{

Button::Button(int index, Look look, QWidget* parent)
    : Control(index, parent), look(look), lamp(look::kLedRed)
{
    setCursor(Qt::PointingHandCursor);
}

void Button::setDimmed(bool d)
{
    if (d == dimmed)
        return;
    dimmed = d;
    update();
}

void Button::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (dimmed)
        p.setOpacity(0.35);
    switch (look)
    {
    case Look::led:
    {
        // A bezel ring around the lamp.
        p.setPen(QPen(QColor(10, 10, 12), 1.0));
        p.setBrush(QColor(70, 70, 74));
        p.drawEllipse(r);
        look::drawLed(p, r.adjusted(2.0, 2.0, -2.0, -2.0), lamp, isOn());
        break;
    }
    case Look::waveform:
    {
        look::drawCap(p, r, QColor(58, 58, 62), down);
        const QRectF face = r.adjusted(6, 9 + (down ? 1 : 0), -6, -9 + (down ? 1 : 0));
        QPainterPath wave;
        if (isOn())
        {
            const double x0 = face.left(), x1 = face.center().x(), x2 = face.right();
            wave.moveTo(x0, face.bottom());
            wave.lineTo(x0, face.top());
            wave.lineTo(x1, face.top());
            wave.lineTo(x1, face.bottom());
            wave.lineTo(x2, face.bottom());
            wave.lineTo(x2, face.top());
        }
        else
        {
            const double x0 = face.left(), x1 = face.center().x(), x2 = face.right();
            wave.moveTo(x0, face.bottom());
            wave.lineTo(x1, face.top());
            wave.lineTo(x1, face.bottom());
            wave.lineTo(x2, face.top());
            wave.lineTo(x2, face.bottom());
        }
        p.setPen(QPen(look::kAmber, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
        break;
    }
    case Look::key:
    {
        look::drawCap(p, r, QColor(76, 77, 82), down);
        const double d = std::min(r.width(), r.height()) * 0.5;
        const QPointF c = r.center() + QPointF(0, down ? 1.0 : 0.0);
        look::drawLed(p, QRectF(c.x() - d / 2, c.y() - d / 2, d, d), lamp, isOn());
        break;
    }
    }
}

void Button::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
    {
        emit rightPressed(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    down = true;
    update();
}

void Button::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !down)
        return;
    down = false;
    if (!rect().contains(event->position().toPoint()))
    {
        update();
        return;
    }
    emit beginEdit(index());
    userValue(isOn() ? 0.0f : 1.0f);
    emit endEdit(index());
}

} // namespace quelvar
