// MainWidget: the painted background: silver, the dark strips, captions and the logo.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/PanelLook.h"
#include "standalone/panel/panelLayout.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QtMath>

namespace quelvar
{

using panelLayout::columnX;
using panelLayout::kColumnWidth;

// Painted at the device pixels it is shown on, so a scaled panel stays sharp.
QPixmap MainWidget::paintBackground(qreal scale) const
{
    QPixmap pm(qCeil(kWidth * scale), qCeil(kHeight * scale));
    pm.setDevicePixelRatio(scale);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // Brushed silver: a soft vertical gradient and fine horizontal grain.
    QLinearGradient silver(0, 0, 0, kHeight);
    silver.setColorAt(0.0, look::kSilverLight);
    silver.setColorAt(1.0, look::kSilverDark);
    p.fillRect(QRect(0, 0, kWidth, kHeight), silver);
    QRandomGenerator grain(303);
    for (int y = 0; y < kHeight; ++y)
    {
        const int shade = static_cast<int>(grain.bounded(22));
        p.setPen(QColor(shade < 11 ? 255 : 0, shade < 11 ? 255 : 0, shade < 11 ? 255 : 0,
                        4 + shade % 11));
        p.drawLine(0, y, kWidth, y);
    }

    // The dark strip at the top and the sequencer's insert at the bottom.
    const auto darkPanel = [&p](const QRectF& r, qreal radius)
    {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, look::kGraphiteLight);
        g.setColorAt(1.0, look::kGraphite);
        p.setPen(QPen(QColor(12, 12, 14), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(r, radius, radius);
        p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
        p.drawLine(QPointF(r.left() + radius, r.bottom() + 1.0),
                   QPointF(r.right() - radius, r.bottom() + 1.0));
    };
    darkPanel(QRectF(-4.5, -4.5, kWidth + 9.0, 76.0), 4.0);
    darkPanel(QRectF(5.5, 234.5, kWidth - 11.0, 197.0), 6.0);

    // Section rules on the silver.
    p.setPen(QPen(QColor(60, 60, 66), 1.0));
    p.drawLine(QPointF(199.5, 78), QPointF(199.5, 151));
    p.drawLine(QPointF(334.5, 78), QPointF(334.5, 151));
    p.drawLine(QPointF(8, 155.5), QPointF(kWidth - 8, 155.5));
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
    p.drawLine(QPointF(200.5, 78), QPointF(200.5, 151));
    p.drawLine(QPointF(335.5, 78), QPointF(335.5, 151));
    p.drawLine(QPointF(8, 156.5), QPointF(kWidth - 8, 156.5));

    // Screws in the silver's corners.
    for (const QPointF c : {QPointF(6, 160), QPointF(kWidth - 6, 160)})
    {
        QRadialGradient g(c - QPointF(1, 1), 4);
        g.setColorAt(0.0, QColor(240, 240, 242));
        g.setColorAt(1.0, QColor(120, 120, 126));
        p.setPen(QPen(QColor(70, 70, 74), 0.8));
        p.setBrush(g);
        p.drawEllipse(c, 3.2, 3.2);
        p.setPen(QPen(QColor(60, 60, 64), 1.0));
        p.drawLine(c + QPointF(-2, 1), c + QPointF(2, -1));
    }

    // The logo.
    QFont logoFont = look::font(31);
    logoFont.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    p.setFont(logoFont);
    QLinearGradient chrome(0, 6, 0, 38);
    chrome.setColorAt(0.0, QColor(250, 250, 252));
    chrome.setColorAt(0.55, QColor(190, 192, 198));
    chrome.setColorAt(1.0, QColor(240, 240, 244));
    QPainterPath word;
    word.addText(QPointF(80, 36), logoFont, QStringLiteral("QUELVAR"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(word.translated(1.0, 1.5));
    p.setBrush(chrome);
    p.drawPath(word);
    p.setFont(look::font(9));
    p.setPen(look::kAmber);
    p.drawText(QRectF(82, 37, 150, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ACID  BASS  SYNTHESIZER"));

    // Captions: light on the dark strips, ink on the silver.
    const auto caption = [&p](const QRectF& r, const QString& text, bool dark, int size = 12,
                              Qt::Alignment align = Qt::AlignCenter)
    {
        p.setFont(look::font(size));
        p.setPen(dark ? look::kPaper : look::kInk);
        p.drawText(r, align, text);
    };
    caption(QRectF(6, 2, 70, 13), QStringLiteral("VOLUME"), true, 11);
    caption(QRectF(544, 7, 67, 15), QStringLiteral("TEMPO"), true);
    caption(QRectF(10, 78, 100, 12), QStringLiteral("PATTERNS"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(118, 81, 54, 13), QStringLiteral("STEPS"), false);
    caption(QRectF(160, 136, 36, 11), QStringLiteral("REC"), false, 10);
    caption(QRectF(135, 139, 32, 11), QStringLiteral("CHAIN"), false, 10,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(241, 78, 90, 14), QStringLiteral("DISTORTION"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(201, 143, 60, 11), QStringLiteral("DRIVE"), false, 11);
    caption(QRectF(362, 78, 50, 14), QStringLiteral("DELAY"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(442, 78, 80, 14), QStringLiteral("PING PONG"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(555, 78, 50, 14), QStringLiteral("SYNC"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(343, 143, 50, 11), QStringLiteral("VOL"), false, 11);
    caption(QRectF(410, 143, 50, 11), QStringLiteral("TIME"), false, 11);
    caption(QRectF(463, 143, 70, 11), QStringLiteral("FEEDBACK"), false, 11);
    caption(QRectF(534, 143, 50, 11), QStringLiteral("FILTER"), false, 11);
    // The knobs' captions come with them (paintVoiceCaptions): the lines row takes their place.
    caption(QRectF(540, 158, 70, 12), QStringLiteral("WAVEFORM"), false);

    // Step editor labels and the beat groups' frames.
    const struct
    {
        int top, height;
        const char* text;
    } rows[] = {{256, 16, "on/off"},
                {275, 18, "Note"},
                {296, 16, "Octave"},
                {315, 15, "Accent"},
                {333, 15, "Slide"}};
    for (const auto& r : rows)
        caption(QRectF(12, r.top, 44, r.height), QString::fromLatin1(r.text), true, 12,
                Qt::AlignLeft | Qt::AlignVCenter);
    for (int g = 0; g < 4; ++g)
    {
        const double left = columnX(4 * g) - 2.5;
        const double right = columnX(4 * g + 3) + kColumnWidth + 2.5;
        p.setPen(QPen(QColor(255, 255, 255, 28), 1.0));
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(QRectF(left, 238.5, right - left, 113), 3, 3);
    }
    p.setPen(QPen(QColor(255, 255, 255, 30), 1.0));
    p.drawLine(QPointF(12, 353.5), QPointF(kWidth - 12, 353.5));
    return pm;
}

void MainWidget::setRenderScale(qreal scale)
{
    if (scale > 0.0 && scale != background.devicePixelRatio())
    {
        background = paintBackground(scale);
        update();
    }
}

void MainWidget::paintVoiceCaptions(QPainter& p) const
{
    const struct
    {
        int left, right;
        const char* text;
    } knobs[] = {{9, 72, "TUNE"},    {74, 137, "CUT OFF"}, {138, 201, "RES"},
                 {201, 264, "M ENV"}, {269, 332, "DECAY"},  {338, 401, "ACCENT"},
                 {405, 468, "GATE"},  {467, 530, "GROOVE"}};
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(look::font(12));
    p.setPen(look::kInk);
    for (const auto& k : knobs)
        p.drawText(QRectF(k.left, 158, k.right - k.left, 12), Qt::AlignCenter,
                   QString::fromLatin1(k.text));
}

void MainWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, background);
    if (!linesShown())
        paintVoiceCaptions(p);
}

} // namespace quelvar
