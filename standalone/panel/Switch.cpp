#include "standalone/panel/Switch.h"

#include "standalone/panel/PanelLook.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quelvar
{

Switch::Switch(int index, std::vector<float> positionValues, std::vector<float> upperBounds,
               QWidget* parent)
    : Control(index, parent), values(std::move(positionValues)), bounds(std::move(upperBounds))
{
    setValueQuietly(values.front());
    setCursor(Qt::PointingHandCursor);
}

int Switch::position() const
{
    const float v = value();
    int k = 0;
    while (k < static_cast<int>(bounds.size()) && v >= bounds[static_cast<std::size_t>(k)])
        ++k;
    return std::min(k, positions() - 1);
}

void Switch::choose(int k)
{
    if (k < 0 || k >= positions())
        return;
    emit beginEdit(index());
    userValue(values[static_cast<std::size_t>(k)]);
    emit endEdit(index());
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The slot, then the lever's silver cap at its position.
    const double slotWidth = std::max(4.0, r.width() * 0.36);
    const QRectF slot(r.center().x() - slotWidth / 2, r.top() + 2, slotWidth, r.height() - 4);
    p.setPen(QPen(QColor(0, 0, 0), 1.0));
    p.setBrush(QColor(10, 10, 12));
    p.drawRoundedRect(slot, slotWidth / 2, slotWidth / 2);
    const double cell = r.height() / positions();
    const double capHeight = std::min(cell - 2.0, 12.0);
    const double y = r.top() + cell * (position() + 0.5) - capHeight / 2;
    const QRectF cap(r.left() + 1, y, r.width() - 2, capHeight);
    QLinearGradient g(cap.topLeft(), cap.bottomLeft());
    g.setColorAt(0.0, QColor(245, 245, 247));
    g.setColorAt(0.5, QColor(190, 192, 196));
    g.setColorAt(1.0, QColor(140, 142, 146));
    p.setPen(QPen(QColor(30, 30, 32), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(cap, 2, 2);
    p.setPen(QPen(QColor(90, 90, 94), 1.0));
    p.drawLine(QPointF(cap.left() + 3, cap.center().y()),
               QPointF(cap.right() - 3, cap.center().y()));
}

void Switch::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int k = static_cast<int>(event->position().y() * positions() / height());
    if (k != position())
        choose(std::clamp(k, 0, positions() - 1));
}

} // namespace quelvar
