#include "standalone/panel/Knob.h"

#include "standalone/panel/PanelLook.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quelvar
{

namespace
{
constexpr double kStartDegrees = 225.0; // value 0, counter-clockwise from three o'clock
constexpr double kSweepDegrees = 270.0;
constexpr double kPixelsPerRange = 180.0;
constexpr float kFineFactor = 0.1f;
constexpr float kWheelStep = 0.01f;

double angleOf(float v)
{
    return kStartDegrees - kSweepDegrees * static_cast<double>(v);
}

QPointF polar(const QPointF& centre, double radius, double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}
} // namespace

Knob::Knob(int index, float initial, QWidget* parent)
    : Control(index, parent), initialValue(clampUnit(initial))
{
    setValueQuietly(initialValue);
    setCursor(Qt::SizeVerCursor);
}

void Knob::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double side = std::min(area.width(), area.height());
    const QPointF c = area.center();
    const double outer = side / 2.0;
    const double body = outer * 0.74;
    const float v = value();

    // Scale: eleven ticks and the value arc between them and the skirt.
    const QColor tick = onDark ? look::kPaper : look::kInk;
    for (int i = 0; i <= 10; ++i)
    {
        const double a = angleOf(static_cast<float>(i) / 10.0f);
        p.setPen(QPen(tick, i % 5 == 0 ? 1.6 : 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(polar(c, outer - (i % 5 == 0 ? 4.5 : 3.0), a), polar(c, outer - 0.5, a));
    }
    const double arcRadius = outer - 6.5;
    const QRectF arc(c.x() - arcRadius, c.y() - arcRadius, 2 * arcRadius, 2 * arcRadius);
    p.setPen(QPen(QColor(0, 0, 0, 70), 2.4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arc, static_cast<int>(-45 * 16), static_cast<int>(kSweepDegrees * 16));
    p.setPen(QPen(look::kAmber, 2.4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arc, static_cast<int>(kStartDegrees * 16),
              static_cast<int>(-kSweepDegrees * static_cast<double>(v) * 16));

    // Shadow, knurled black skirt, then the cap.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(c + QPointF(0.8, 1.6), body, body);
    QRadialGradient skirt(c - QPointF(body * 0.35, body * 0.45), body * 1.6);
    skirt.setColorAt(0.0, QColor(78, 78, 82));
    skirt.setColorAt(1.0, QColor(8, 8, 10));
    p.setBrush(skirt);
    p.drawEllipse(c, body, body);
    p.setPen(QPen(QColor(0, 0, 0, 110), 0.8));
    const int ridges = 24;
    for (int i = 0; i < ridges; ++i)
    {
        const double a = 360.0 * i / ridges + angleOf(v);
        p.drawLine(polar(c, body * 0.86, a), polar(c, body - 0.6, a));
    }
    const double cap = body * 0.7;
    QRadialGradient top(c - QPointF(cap * 0.3, cap * 0.4), cap * 1.5);
    top.setColorAt(0.0, QColor(96, 96, 102));
    top.setColorAt(0.6, QColor(36, 36, 40));
    top.setColorAt(1.0, QColor(18, 18, 20));
    p.setPen(QPen(QColor(0, 0, 0, 160), 0.8));
    p.setBrush(top);
    p.drawEllipse(c, cap, cap);

    // Pointer: a white line from the centre to the skirt's edge.
    const double a = angleOf(v);
    p.setPen(QPen(QColor(250, 250, 250), std::max(2.0, side / 26.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(polar(c, cap * 0.25, a), polar(c, body - 2.0, a));
}

void Knob::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = true;
    pressPosition = event->position();
    pressValue = value();
    emit beginEdit(index());
}

void Knob::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging)
        return;
    const QPointF d = event->position() - pressPosition;
    float delta = static_cast<float>((d.x() - d.y()) / kPixelsPerRange);
    if (event->modifiers() & Qt::ShiftModifier)
        delta *= kFineFactor;
    const float v = clampUnit(pressValue + delta);
    if (v != value())
        userValue(v);
}

void Knob::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging)
        return;
    dragging = false;
    emit endEdit(index());
}

void Knob::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit beginEdit(index());
    userValue(initialValue);
    emit endEdit(index());
}

void Knob::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return;
    float step = kWheelStep * static_cast<float>(notches);
    if (event->modifiers() & Qt::ShiftModifier)
        step *= kFineFactor;
    emit beginEdit(index());
    userValue(value() + step);
    emit endEdit(index());
    event->accept();
}

} // namespace quelvar
