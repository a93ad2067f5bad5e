#include "standalone/panel/Notebox.h"

#include "standalone/panel/PanelLook.h"
#include "sequencer/noteNames.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr double kPixelsPerSemitone = 6.0;

// Both boxes carry a whole number 0..highest as the value number / highest.
int wholeOf(float value, int highest)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * highest));
}

float valueOf(int number, int highest)
{
    return static_cast<float>(std::clamp(number, 0, highest)) / highest;
}

// A dark window with a lit text, and small arrows at its right edge.
void paintBox(QWidget& w, const QString& text, bool dimmed, bool sharp)
{
    QPainter p(&w);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(w.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0, 0, 0), 1.0));
    p.setBrush(sharp ? QColor(34, 30, 26) : QColor(18, 18, 20));
    p.drawRoundedRect(r, 2, 2);
    p.setFont(look::font(static_cast<int>(r.height() * 0.7)));
    p.setPen(dimmed ? QColor(110, 90, 60) : look::kLcdText);
    p.drawText(r.adjusted(0, 0, -4, 0), Qt::AlignCenter, text);
    const double x = r.right() - 3.5;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 120, 126));
    p.drawPolygon(QPolygonF(
        {QPointF(x - 2, r.top() + 5), QPointF(x + 2, r.top() + 5), QPointF(x, r.top() + 2.5)}));
    p.drawPolygon(QPolygonF({QPointF(x - 2, r.bottom() - 5), QPointF(x + 2, r.bottom() - 5),
                             QPointF(x, r.bottom() - 2.5)}));
}
} // namespace

Notebox::Notebox(int column, QWidget* parent) : Control(column, parent)
{
    setCursor(Qt::SizeVerCursor);
}

QString Notebox::noteName(int n)
{
    return QString::fromLatin1(kNoteNames[((n % 12) + 12) % 12]);
}

int Notebox::note() const
{
    return wholeOf(value(), kHighest);
}

void Notebox::setNoteQuietly(int n)
{
    setValueQuietly(valueOf(n, kHighest));
}

void Notebox::setDimmed(bool d)
{
    if (d != dimmed)
    {
        dimmed = d;
        update();
    }
}

void Notebox::changeNote(int n)
{
    n = std::clamp(n, 0, kHighest);
    if (n == note())
        return;
    emit beginEdit(index());
    userValue(valueOf(n, kHighest));
    emit noteChanged(index(), n);
    emit endEdit(index());
}

void Notebox::paintEvent(QPaintEvent*)
{
    const QString name = noteName(note());
    paintBox(*this, name, dimmed, name.size() > 1);
}

void Notebox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragged = false;
    pressY = event->position().y();
    pressNote = note();
}

void Notebox::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int semitones = static_cast<int>((pressY - event->position().y()) / kPixelsPerSemitone);
    if (semitones != 0)
        dragged = true;
    if (dragged)
        changeNote(pressNote + semitones);
}

void Notebox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || dragged)
        return;
    changeNote(note() + (event->position().y() < height() / 2.0 ? 1 : -1));
}

void Notebox::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        changeNote(note() + notches);
    event->accept();
}

Octavebox::Octavebox(int column, QWidget* parent) : Control(column, parent)
{
    setCursor(Qt::PointingHandCursor);
}

int Octavebox::octave() const
{
    return wholeOf(value(), kHighest);
}

void Octavebox::setOctaveQuietly(int o)
{
    setValueQuietly(valueOf(o, kHighest));
}

void Octavebox::setDimmed(bool d)
{
    if (d != dimmed)
    {
        dimmed = d;
        update();
    }
}

void Octavebox::paintEvent(QPaintEvent*)
{
    paintBox(*this, QString::number(octave()), dimmed, false);
}

void Octavebox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit octaveRequested(index(), octave() + (event->position().y() < height() / 2.0 ? 1 : -1));
}

void Octavebox::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        emit octaveRequested(index(), octave() + (notches > 0 ? 1 : -1));
    event->accept();
}

} // namespace quelvar
