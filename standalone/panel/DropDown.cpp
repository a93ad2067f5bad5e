#include "standalone/panel/DropDown.h"

#include "standalone/panel/PanelLook.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quelvar
{

DropDown::DropDown(int index, QStringList list, QWidget* parent)
    : Control(index, parent), choices(std::move(list))
{
    setCursor(Qt::PointingHandCursor);
}

int DropDown::choice() const
{
    const int last = static_cast<int>(choices.size()) - 1;
    return std::clamp(static_cast<int>(value() * static_cast<float>(last) + 1e-4f), 0, last);
}

QString DropDown::text() const
{
    return choices.value(choice());
}

void DropDown::setChoiceQuietly(int k)
{
    const int last = static_cast<int>(choices.size()) - 1;
    setValueQuietly(static_cast<float>(std::clamp(k, 0, last)) / static_cast<float>(last));
}

QMenu* DropDown::buildMenu(QWidget* parent)
{
    QMenu* menu = look::popupMenu(parent);
    const int shown = choice();
    for (int k = 0; k < choices.size(); ++k)
    {
        QAction* a = menu->addAction(choices[k]);
        a->setCheckable(true);
        a->setChecked(k == shown);
        connect(a, &QAction::triggered, this, [this, k] { emit chosen(k); });
    }
    return menu;
}

void DropDown::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0, 0, 0), 1.0));
    p.setBrush(QColor(18, 18, 20));
    p.drawRoundedRect(r, 2, 2);
    p.setFont(look::font(static_cast<int>(r.height() * 0.68)));
    p.setPen(look::kLcdText);
    p.drawText(r.adjusted(3, 0, -9, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
    const QPointF c(r.right() - 5, r.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(look::kPaper);
    p.drawPolygon(QPolygonF({c + QPointF(-3, -1.5), c + QPointF(3, -1.5), c + QPointF(0, 2.5)}));
}

void DropDown::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QMenu* menu = buildMenu(this);
    menu->exec(mapToGlobal(QPoint(0, height())));
    delete menu;
}

} // namespace quelvar
