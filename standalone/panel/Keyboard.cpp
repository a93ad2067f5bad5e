#include "standalone/panel/Keyboard.h"

#include "standalone/panel/PanelLook.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quelvar
{

namespace
{
constexpr int kWhiteKeys = 15;
constexpr double kBlackWidthRatio = 0.62;
constexpr double kBlackHeightRatio = 0.6;
// White keys before each semitone of the octave.
constexpr int kWhitesBefore[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
} // namespace

Keyboard::Keyboard(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

bool Keyboard::isBlack(int note)
{
    const int s = note % 12;
    return s == 1 || s == 3 || s == 6 || s == 8 || s == 10;
}

double Keyboard::whiteWidth() const
{
    return static_cast<double>(width() - 1) / kWhiteKeys;
}

void Keyboard::setLit(int note, bool on)
{
    if (note < 0 || note >= 128 || lit[static_cast<std::size_t>(note)] == on)
        return;
    lit[static_cast<std::size_t>(note)] = on;
    update();
}

bool Keyboard::isLit(int note) const
{
    return note >= 0 && note < 128 && lit[static_cast<std::size_t>(note)];
}

void Keyboard::clearLit()
{
    if (lit.any())
    {
        lit.reset();
        update();
    }
}

QRect Keyboard::keyRect(int note) const
{
    const int k = note - kLowestNote;
    if (k < 0 || k >= kKeys)
        return {};
    const double w = whiteWidth();
    const int whites = (k / 12) * 7 + kWhitesBefore[k % 12];
    if (!isBlack(note))
        return QRectF(whites * w, 0, w, height() - 1).toRect();
    const double bw = w * kBlackWidthRatio;
    return QRectF(whites * w - bw / 2, 0, bw, (height() - 1) * kBlackHeightRatio).toRect();
}

int Keyboard::noteAt(QPoint point) const
{
    for (int n = kLowestNote; n < kLowestNote + kKeys; ++n)
    {
        if (isBlack(n) && keyRect(n).contains(point))
            return n;
    }
    for (int n = kLowestNote; n < kLowestNote + kKeys; ++n)
    {
        if (!isBlack(n) && keyRect(n).contains(point))
            return n;
    }
    return -1;
}

void Keyboard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int n = kLowestNote; n < kLowestNote + kKeys; ++n)
    {
        if (isBlack(n))
            continue;
        const QRectF r = QRectF(keyRect(n)).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        const bool on = isLit(n) || n == held;
        g.setColorAt(0.0, on ? QColor(255, 214, 150) : QColor(236, 236, 232));
        g.setColorAt(1.0, on ? look::kAmber : QColor(250, 250, 248));
        p.setPen(QPen(QColor(40, 40, 44), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(r, 2, 2);
        if (n % 12 == 0)
        {
            p.setFont(look::font(9, false));
            p.setPen(QColor(120, 120, 124));
            p.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignHCenter | Qt::AlignBottom,
                       QStringLiteral("C%1").arg(n / 12 - 1));
        }
    }
    for (int n = kLowestNote; n < kLowestNote + kKeys; ++n)
    {
        if (!isBlack(n))
            continue;
        const QRectF r = QRectF(keyRect(n)).adjusted(0.5, 0.0, -0.5, 0.0);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        const bool on = isLit(n) || n == held;
        g.setColorAt(0.0, on ? look::kAmber.darker(140) : QColor(20, 20, 22));
        g.setColorAt(1.0, on ? look::kAmber : QColor(62, 62, 66));
        p.setPen(QPen(QColor(0, 0, 0), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(r, 1.5, 1.5);
    }
}

void Keyboard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || held >= 0)
        return;
    const QPoint at = event->position().toPoint();
    const int note = noteAt(at);
    if (note < 0)
        return;
    const QRect key = keyRect(note);
    const double depth = static_cast<double>(at.y() - key.top() + 1) / key.height();
    held = note;
    heldVelocity = std::clamp(static_cast<int>(127.0 * depth), 1, 127);
    update();
    emit notePressed(note, heldVelocity);
}

void Keyboard::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || held < 0)
        return;
    const int note = held;
    held = -1;
    update();
    emit noteReleased(note, heldVelocity);
}

} // namespace quelvar
