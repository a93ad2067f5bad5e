#include "standalone/panel/Toggle.h"

#include "standalone/panel/PanelLook.h"

#include <QMouseEvent>
#include <QPainter>

namespace quelvar
{

Toggle::Toggle(int index, const QString& caption, QWidget* parent)
    : Control(index, parent), text(caption)
{
    setCursor(Qt::PointingHandCursor);
}

void Toggle::setOnQuietly(bool on)
{
    setValueQuietly(on ? 1.0f : 0.0f);
    repaintIfChanged();
}

void Toggle::click()
{
    const bool on = !isOn();
    // The group settles first, so that a panel refusing the change can put the old one back.
    emit beginEdit(index());
    setOnQuietly(on);
    emit toggled(on);
    emit valueChanged(index(), on ? 1.0f : 0.0f);
    emit endEdit(index());
}

void Toggle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    look::drawCap(p, r, QColor(66, 67, 72), down);
    QRectF face = r.adjusted(4, down ? 2 : 1, -3, down ? 0 : -1);
    const double d = 7.0;
    look::drawLed(p, QRectF(face.left(), face.center().y() - d / 2, d, d), look::kAmber, isOn());
    face.setLeft(face.left() + d + 4);
    p.setFont(look::font(12));
    p.setPen(isOn() ? look::kAmber : look::kPaper);
    p.drawText(face, Qt::AlignVCenter | Qt::AlignLeft, text);
}

void Toggle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    down = true;
    update();
}

void Toggle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !down)
        return;
    down = false;
    update();
    if (rect().contains(event->position().toPoint()))
        click();
}

} // namespace quelvar
