#include "standalone/panel/SpinBox.h"

#include "standalone/panel/PanelLook.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quelvar
{

SpinBox::SpinBox(int index, int minimum, int maximum, int initial, QWidget* parent)
    : Control(index, parent), minimum(minimum), maximum(maximum)
{
    setValueQuietly(normalised(initial));
    speedUp.setSingleShot(true);
    connect(&repeat, &QTimer::timeout, this, &SpinBox::processSpin);
    connect(&speedUp, &QTimer::timeout, this, &SpinBox::speedItUp);
}

float SpinBox::normalised(int n) const
{
    return static_cast<float>(std::clamp(n, minimum, maximum) - minimum) /
           static_cast<float>(maximum - minimum);
}

int SpinBox::number() const
{
    return minimum +
           static_cast<int>(std::lround(static_cast<double>(value()) * (maximum - minimum)));
}

void SpinBox::setNumberQuietly(int n)
{
    setValueQuietly(normalised(n));
}

void SpinBox::stepBy(int delta)
{
    const int n = std::clamp(number() + delta, minimum, maximum);
    if (n != number())
        userValue(normalised(n));
}

void SpinBox::setReadOnly(bool r)
{
    if (r == readOnly)
        return;
    readOnly = r;
    stopSpin();
    update();
}

void SpinBox::startProcessSpin()
{
    repeating = false;
    speedUp.stop();
    repeat.start(kFirstDelayMs);
}

void SpinBox::processSpin()
{
    if (direction == 0)
    {
        stopSpin();
        return;
    }
    stepBy(direction);
    if (!repeating)
    {
        repeating = true;
        repeat.start(kRepeatMs);
        speedUp.start(kSpeedUpAfterMs);
    }
}

void SpinBox::speedItUp()
{
    if (repeat.isActive())
        repeat.start(kFastRepeatMs);
}

void SpinBox::stopSpin()
{
    repeat.stop();
    speedUp.stop();
    repeating = false;
    if (direction != 0)
    {
        direction = 0;
        emit endEdit(index());
        update();
    }
}

QRectF SpinBox::arrowArea() const
{
    const double w = std::min(14.0, width() * 0.3);
    return {width() - w, 0.0, w, static_cast<double>(height())};
}

void SpinBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0, 0, 0), 1.0));
    p.setBrush(QColor(14, 10, 10));
    p.drawRoundedRect(r, 2, 2);

    const QRectF arrows = arrowArea();
    const QRectF digits(r.left() + 2, r.top(), arrows.left() - r.left() - 3, r.height());
    p.setFont(look::font(static_cast<int>(r.height() * 0.78)));
    const QString text = QString::number(number());
    p.setPen(readOnly ? QColor(255, 110, 60) : QColor(255, 52, 30));
    p.drawText(digits, Qt::AlignRight | Qt::AlignVCenter, text);

    if (readOnly)
        return;
    const double mid = arrows.center().y();
    const double cx = arrows.center().x();
    const double half = std::min(4.0, arrows.width() / 2 - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(direction > 0 ? look::kAmber : look::kPaper);
    p.drawPolygon(QPolygonF({QPointF(cx - half, mid - 2), QPointF(cx + half, mid - 2),
                             QPointF(cx, mid - 2 - half * 1.2)}));
    p.setBrush(direction < 0 ? look::kAmber : look::kPaper);
    p.drawPolygon(QPolygonF({QPointF(cx - half, mid + 2), QPointF(cx + half, mid + 2),
                             QPointF(cx, mid + 2 + half * 1.2)}));
}

void SpinBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || readOnly)
        return;
    // The upper half steps up, the lower half down; the arrows show which is which.
    direction = event->position().y() < height() / 2.0 ? 1 : -1;
    emit beginEdit(index());
    stepBy(direction);
    startProcessSpin();
    update();
}

void SpinBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        stopSpin();
}

void SpinBox::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0 || readOnly)
        return;
    emit beginEdit(index());
    stepBy(notches);
    emit endEdit(index());
    event->accept();
}

} // namespace quelvar
