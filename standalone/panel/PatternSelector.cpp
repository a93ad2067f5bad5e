#include "standalone/panel/PatternSelector.h"

#include "standalone/panel/PanelLook.h"

#include <QMouseEvent>
#include <QPainter>

namespace quelvar
{

namespace
{
constexpr int kBankRowHeight = 13;
constexpr int kGap = 3;
} // namespace

QString PatternSelector::label(int pattern)
{
    if (pattern >= 0 && pattern < kPatterns)
        return QStringLiteral("%1%2").arg(QChar(u'A' + pattern / kPerBank)).arg(pattern % kPerBank + 1);
    return QStringLiteral("P%1").arg(pattern + 1);
}

PatternSelector::PatternSelector(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void PatternSelector::setSelected(int pattern)
{
    if (pattern < 0 || pattern >= kSongPatterns || pattern == selectedPattern)
        return;
    selectedPattern = pattern;
    if (pattern < kPatterns)
        bank = pattern / kPerBank;
    update();
}

void PatternSelector::setPlaying(int pattern)
{
    if (pattern != playingPattern)
    {
        playingPattern = pattern;
        update();
    }
}

void PatternSelector::setBlink(bool on)
{
    if (on == blink)
        return;
    blink = on;
    if (playingPattern != selectedPattern)
        update();
}

QRect PatternSelector::bankKey(int b) const
{
    const int w = (width() - (kBanks - 1) * kGap) / kBanks;
    return {b * (w + kGap), 0, w, kBankRowHeight};
}

QRect PatternSelector::patternKey(int key) const
{
    const int columns = kPerBank / 2;
    const int w = (width() - (columns - 1) * kGap) / columns;
    const int top = kBankRowHeight + kGap + 1;
    const int h = (height() - top - kGap) / 2;
    return {(key % columns) * (w + kGap), top + (key / columns) * (h + kGap), w, h};
}

void PatternSelector::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int b = 0; b < kBanks; ++b)
    {
        const QRectF r = QRectF(bankKey(b)).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool shown = b == bank;
        look::drawCap(p, r, shown ? QColor(110, 111, 118) : QColor(66, 67, 72), false);
        p.setFont(look::font(11));
        p.setPen(selectedPattern / kPerBank == b ? look::kAmber : look::kPaper);
        p.drawText(r, Qt::AlignCenter, QString(QChar(u'A' + b)));
    }
    for (int k = 0; k < kPerBank; ++k)
    {
        const int pattern = bank * kPerBank + k;
        const QRectF r = QRectF(patternKey(k)).adjusted(0.5, 0.5, -0.5, -0.5);
        look::drawCap(p, r, QColor(76, 77, 82), false);
        const bool lit = pattern == selectedPattern ||
                         (pattern == playingPattern && playingPattern != selectedPattern && blink);
        const double d = 6.0;
        look::drawLed(p, QRectF(r.left() + 3, r.center().y() - d / 2, d, d), look::kLedRed, lit);
        p.setFont(look::font(12));
        p.setPen(look::kPaper);
        p.drawText(r.adjusted(d + 3, 0, 0, 0), Qt::AlignCenter, QString::number(k + 1));
    }
}

void PatternSelector::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    for (int b = 0; b < kBanks; ++b)
    {
        if (bankKey(b).contains(at) && event->button() == Qt::LeftButton)
        {
            bank = b;
            update();
            return;
        }
    }
    for (int k = 0; k < kPerBank; ++k)
    {
        if (!patternKey(k).contains(at))
            continue;
        const int pattern = bank * kPerBank + k;
        if (event->button() == Qt::RightButton)
            emit menuRequested(pattern, event->globalPosition().toPoint());
        else if (event->button() == Qt::LeftButton)
            emit patternChosen(pattern);
        return;
    }
}

} // namespace quelvar
