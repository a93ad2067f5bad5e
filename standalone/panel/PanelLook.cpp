#include "standalone/panel/PanelLook.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

// Resources live in a static library: registered by name before the first use.
static void initPanelResources()
{
    Q_INIT_RESOURCE(panel);
}

namespace quelvar::look
{

namespace
{
// Registers the fonts once; later calls do nothing.
void loadFonts()
{
    static const bool loaded = []
    {
        initPanelResources();
        const int bold =
            QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/RobotoCondensed-Bold.ttf"));
        const int regular = QFontDatabase::addApplicationFont(
            QStringLiteral(":/fonts/RobotoCondensed-Regular.ttf"));
        return bold >= 0 && regular >= 0;
    }();
    (void)loaded;
}
} // namespace

QFont font(int pixelSize, bool bold)
{
    loadFonts();
    QFont f(kFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

namespace
{
QString menuStyleSheet()
{
    return QStringLiteral(
               "QMenu { background-color: rgb(40,41,45); color: rgb(220,220,220);"
               " border: 1px solid rgb(110,112,118); font-family: \"%1\"; font-weight: bold;"
               " font-size: 13px; padding: 3px; }"
               "QMenu::item { padding: 3px 18px 3px 22px; }"
               "QMenu::item:selected { background-color: rgb(255,170,0); color: rgb(20,20,20); }"
               "QMenu::item:disabled { color: rgb(120,120,120); }"
               "QMenu::indicator { width: 10px; height: 10px; left: 6px; }"
               "QMenu::indicator:checked { background-color: rgb(255,170,0);"
               " border: 1px solid rgb(20,20,20); border-radius: 5px; }"
               "QMenu::separator { height: 1px; background: rgb(90,90,96); margin: 3px 6px; }")
        .arg(kFamily);
}
} // namespace

QMenu* popupMenu(QWidget* parent)
{
    auto* menu = new QMenu;
    // A popup child of a widget inside a scaled panel would otherwise be drawn inside the panel
    // and cut at its edges.
    menu->setParent(parent, menu->windowFlags() | Qt::BypassGraphicsProxyWidget);
    menu->setStyleSheet(menuStyleSheet());
    return menu;
}

void drawLed(QPainter& p, const QRectF& r, const QColor& colour, bool lit)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const qreal radius = std::min(r.width(), r.height()) / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 22));
    p.drawEllipse(c, radius, radius);
    QRadialGradient g(c - QPointF(radius * 0.3, radius * 0.3), radius * 1.2);
    if (lit)
    {
        g.setColorAt(0.0, colour.lighter(170));
        g.setColorAt(0.45, colour);
        g.setColorAt(1.0, colour.darker(160));
    }
    else
    {
        g.setColorAt(0.0, colour.darker(260));
        g.setColorAt(1.0, colour.darker(500));
    }
    p.setBrush(g);
    p.drawEllipse(c, radius - 1.0, radius - 1.0);
    p.restore();
}

void drawCap(QPainter& p, const QRectF& r, const QColor& face, bool down)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(12, 12, 14), 1.0));
    p.setBrush(QColor(12, 12, 14, 120));
    p.drawRoundedRect(r.adjusted(0.5, 1.5, -0.5, 0.5), 3, 3);
    const QRectF cap = r.adjusted(1.0, down ? 2.0 : 1.0, -1.0, down ? -0.0 : -1.0);
    QLinearGradient g(cap.topLeft(), cap.bottomLeft());
    g.setColorAt(0.0, down ? face.darker(115) : face.lighter(125));
    g.setColorAt(1.0, down ? face.darker(135) : face.darker(118));
    p.setPen(QPen(face.darker(190), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(cap, 2.5, 2.5);
    p.restore();
}

} // namespace quelvar::look
