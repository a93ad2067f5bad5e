#include "standalone/panel/KickButton.h"

#include "standalone/panel/PanelLook.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quelvar
{

KickButton::KickButton(const QString& caption, QWidget* parent) : Control(-1, parent), text(caption)
{
    setCursor(Qt::PointingHandCursor);
}

void KickButton::setLamp(const QColor& colour)
{
    hasLamp = true;
    lampColour = colour;
    update();
}

void KickButton::setLampLit(bool on)
{
    if (on == lit)
        return;
    lit = on;
    update();
}

void KickButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.4);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    look::drawCap(p, r, QColor(74, 75, 80), down);
    QRectF face = r.adjusted(3, down ? 2 : 1, -3, down ? 0 : -1);
    if (hasLamp)
    {
        const double d = std::min(8.0, face.height() - 4.0);
        look::drawLed(p, QRectF(face.left() + 2, face.center().y() - d / 2, d, d), lampColour, lit);
        face.setLeft(face.left() + d + 3);
    }
    p.setFont(look::font(face.height() >= 20 ? 13 : 12));
    if (arrow != Arrow::none)
    {
        // The arrow and the caption side by side, centred together.
        const double size = 4.0;
        const double textWidth = text.isEmpty() ? 0.0 : p.fontMetrics().horizontalAdvance(text);
        const double gap = text.isEmpty() ? 0.0 : 4.0;
        const double left = face.center().x() - (2 * size + gap + textWidth) / 2;
        const QPointF c(left + size, face.center().y());
        QPolygonF shape;
        switch (arrow)
        {
        case Arrow::left:
            shape = {c + QPointF(-size, 0), c + QPointF(size, -size), c + QPointF(size, size)};
            break;
        case Arrow::right:
            shape = {c + QPointF(size, 0), c + QPointF(-size, -size), c + QPointF(-size, size)};
            break;
        case Arrow::up:
            shape = {c + QPointF(0, -size), c + QPointF(size, size * 0.8),
                     c + QPointF(-size, size * 0.8)};
            break;
        case Arrow::down:
            shape = {c + QPointF(0, size), c + QPointF(size, -size * 0.8),
                     c + QPointF(-size, -size * 0.8)};
            break;
        case Arrow::none:
            break;
        }
        p.setPen(Qt::NoPen);
        p.setBrush(look::kAmber);
        p.drawPolygon(shape);
        face.setLeft(left + 2 * size + gap);
        p.setPen(look::kPaper);
        p.drawText(face, Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    else
    {
        p.setPen(look::kPaper);
        p.drawText(face, Qt::AlignCenter, text);
    }
    if (menuMark)
    {
        const QPointF c(r.right() - 5.0, r.bottom() - 5.0);
        p.setPen(Qt::NoPen);
        p.setBrush(look::kAmber);
        p.drawPolygon(QPolygonF({c + QPointF(-3, -1.5), c + QPointF(3, -1.5), c + QPointF(0, 2)}));
    }
}

void KickButton::mousePressEvent(QMouseEvent* event)
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
    emit pressed();
}

void KickButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !down)
        return;
    down = false;
    update();
    emit released();
}

void KickButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    Control::changeEvent(event);
}

} // namespace quelvar
