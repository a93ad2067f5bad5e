#include "standalone/panel/DragHandle.h"

#include "standalone/panel/PanelLook.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QUrl>

namespace quelvar
{

namespace
{
// Three rows of two dots at the left of r.
void drawGrip(QPainter& p, const QRectF& r, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 2; ++column)
            p.drawEllipse(QPointF(r.left() + 4.5 + 3 * column, r.center().y() - 3 + 3 * row), 0.9,
                          0.9);
}
} // namespace

QString draggedFilesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Brontavell/Quelvar/MIDI");
}

DragHandle::DragHandle(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::OpenHandCursor);
}

void DragHandle::setFile(const QString& path)
{
    if (!waiting)
        return;
    waiting = false;
    file = path;
    if (file.isEmpty())
    {
        dragWanted = false;
        emit failed();
        return;
    }
    if (dragWanted && held && (QApplication::mouseButtons() & Qt::LeftButton))
        startDrag();
}

void DragHandle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor frame = look::kLcdText;
    frame.setAlpha(held ? 200 : 110);
    p.setPen(QPen(frame, 1.0));
    p.setBrush(held ? QColor(255, 170, 0, 48) : QColor(0, 0, 0, 0));
    p.drawRoundedRect(r, 2, 2);
    drawGrip(p, r, look::kLcdText);
    p.setFont(look::font(10));
    p.setPen(look::kLcdText);
    p.drawText(r.adjusted(10, 0, 0, 0), Qt::AlignCenter, QStringLiteral("MIDI"));
}

void DragHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    held = true;
    waiting = true;
    dragWanted = false;
    file.clear();
    pressedAt = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
    update();
    emit fileWanted();
}

void DragHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!held || (event->position().toPoint() - pressedAt).manhattanLength() <
                     QApplication::startDragDistance())
        return;
    if (waiting)
        dragWanted = true;
    else if (!file.isEmpty())
        startDrag();
}

void DragHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    held = false;
    dragWanted = false;
    setCursor(Qt::OpenHandCursor);
    update();
}

void DragHandle::startDrag()
{
    held = false;
    dragWanted = false;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    // What is dragged, named as the DAW will name it.
    const QString name = QFileInfo(file).completeBaseName();
    const QFont font = look::font(12);
    const int width = QFontMetrics(font).horizontalAdvance(name) + 30;
    QPixmap badge(QSize(width, 20) * devicePixelRatioF());
    badge.setDevicePixelRatio(devicePixelRatioF());
    badge.fill(Qt::transparent);
    {
        QPainter p(&badge);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(look::kLcdText, 1.0));
        p.setBrush(look::kLcdBack);
        p.drawRoundedRect(QRectF(0.5, 0.5, width - 1.0, 19.0), 3, 3);
        drawGrip(p, QRectF(0, 0, 22, 20), look::kLcdText);
        p.setFont(font);
        p.drawText(QRectF(26, 0, width - 28, 20), Qt::AlignVCenter | Qt::AlignLeft, name);
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(badge);
    drag->setHotSpot(QPoint(6, 10));
    setCursor(Qt::OpenHandCursor);
    update();
    drag->exec(Qt::CopyAction);
}

} // namespace quelvar
