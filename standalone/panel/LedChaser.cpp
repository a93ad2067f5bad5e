#include "standalone/panel/LedChaser.h"

#include "standalone/panel/PanelLook.h"

#include <QPainter>

namespace quelvar
{

LedChaser::LedChaser(int count, int pitch, int groupGap, QWidget* parent)
    : QWidget(parent), count(count), pitch(pitch), groupGap(groupGap)
{
}

void LedChaser::setPosition(int lamp)
{
    if (lamp < -1 || lamp >= count)
        lamp = -1;
    if (lamp != lit)
    {
        lit = lamp;
        update();
    }
}

void LedChaser::setFirstNumber(int n)
{
    if (n != firstNumber)
    {
        firstNumber = n;
        update();
    }
}

void LedChaser::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double d = 7.0;
    p.setFont(look::font(10));
    for (int i = 0; i < count; ++i)
    {
        const QRectF column(i * pitch + (i / 4) * groupGap, 0, pitch, height());
        look::drawLed(p, QRectF(column.left() + 3, column.center().y() - d / 2, d, d),
                      look::kLedRed, i == lit);
        p.setPen(i == lit ? look::kAmber : (i % 4 == 0 ? look::kPaper : QColor(150, 150, 156)));
        p.drawText(column.adjusted(d + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QString::number(firstNumber + i));
    }
}

Lamp::Lamp(const QColor& colour, QWidget* parent) : QWidget(parent), colour(colour) {}

void Lamp::setLit(bool on)
{
    if (on != lit)
    {
        lit = on;
        update();
    }
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    look::drawLed(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), colour, lit);
}

} // namespace quelvar
