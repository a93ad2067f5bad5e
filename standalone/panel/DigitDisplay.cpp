#include "standalone/panel/DigitDisplay.h"

#include "standalone/panel/PanelLook.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

namespace quelvar
{

DigitDisplay::DigitDisplay(QWidget* parent) : QWidget(parent) {}

void DigitDisplay::setReadout(const QString& c, const QString& v)
{
    if (c == caption && v == valueText)
        return;
    caption = c;
    valueText = v;
    update();
}

void DigitDisplay::setStatus(const QString& text)
{
    if (text == statusText)
        return;
    statusText = text;
    update();
}

void DigitDisplay::setHint(const QStringList& lines)
{
    if (lines == hintLines)
        return;
    hintLines = lines;
    update();
}

void DigitDisplay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // Bezel, glass, then a faint line under the title row.
    p.setPen(QPen(QColor(0, 0, 0), 1.0));
    p.setBrush(QColor(8, 8, 10));
    p.drawRoundedRect(r, 4, 4);
    const QRectF glass = r.adjusted(2, 2, -2, -2);
    QLinearGradient g(glass.topLeft(), glass.bottomLeft());
    g.setColorAt(0.0, look::kLcdBack.lighter(125));
    g.setColorAt(1.0, look::kLcdBack);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(glass, 3, 3);
    p.setPen(QPen(QColor(255, 176, 40, 50), 1.0));
    p.drawLine(QPointF(glass.left() + 4, glass.top() + kTitleHeight + 1),
               QPointF(glass.right() - 4, glass.top() + kTitleHeight + 1));

    const QRectF middle(glass.left() + 6, glass.top() + kTitleHeight + 2, glass.width() - 12,
                        glass.height() - kTitleHeight - 16);
    if (!hintLines.isEmpty())
    {
        // The hint takes the readout's and the status row's room, as large as it fits.
        const QRectF room(middle.left(), middle.top(), middle.width(),
                          glass.bottom() - 1 - middle.top());
        int size = 13;
        const auto fits = [&](int points)
        {
            const QFontMetrics m(look::font(points));
            if (m.lineSpacing() * hintLines.size() > room.height())
                return false;
            for (const QString& line : hintLines)
                if (m.horizontalAdvance(line) > room.width())
                    return false;
            return true;
        };
        while (size > 7 && !fits(size))
            --size;
        p.setFont(look::font(size));
        p.setPen(look::kLcdText);
        p.drawText(room, Qt::AlignCenter, hintLines.join(QLatin1Char('\n')));
        return;
    }
    p.setFont(look::font(12));
    p.setPen(look::kLcdText.darker(130));
    p.drawText(middle, Qt::AlignLeft | Qt::AlignVCenter, caption);
    p.setFont(look::font(17));
    p.setPen(look::kLcdText);
    p.drawText(middle, Qt::AlignRight | Qt::AlignVCenter, valueText);

    p.setFont(look::font(10, false));
    p.setPen(look::kLcdText.darker(150));
    p.drawText(QRectF(glass.left() + 6, glass.bottom() - 14, glass.width() - 12, 13),
               Qt::AlignLeft | Qt::AlignVCenter, statusText);
}

} // namespace quelvar
