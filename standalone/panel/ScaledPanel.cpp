#include "standalone/panel/ScaledPanel.h"

#include "bridge/bridgeProtocol.h"
#include "standalone/panel/MainWidget.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QScreen>

#include <cmath>
#include <cstdlib>

namespace quelvar
{

namespace
{
constexpr double kBaseDotsPerInch = 96.0;
} // namespace

ScaledPanel::ScaledPanel(MainWidget* panel, QWidget* parent, int startPercent)
    : QGraphicsView(parent), shownPanel(panel), scene(new QGraphicsScene(this))
{
    setObjectName(QStringLiteral("scaled_panel"));
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
    // The panel repaints small parts of itself every 40 ms; only those are drawn again.
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    setScene(scene);
    scene->addWidget(panel);
    scene->setSceneRect(0, 0, MainWidget::kWidth, MainWidget::kHeight);
    // The panel's keys work wherever this view has the focus.
    addActions(panel->actions());
    percent = bridge::isEditorScale(startPercent) ? startPercent : 100;
    apply();
}

// The scene deletes the proxy and with it the panel.
ScaledPanel::~ScaledPanel() = default;

int ScaledPanel::defaultScale(const QScreen* screen)
{
    const double factor = screen ? screen->logicalDotsPerInch() / kBaseDotsPerInch : 1.0;
    int best = bridge::kEditorScales[0];
    for (const int s : bridge::kEditorScales)
        if (std::abs(s - factor * 100.0) < std::abs(best - factor * 100.0))
            best = s;
    return best;
}

QSize ScaledPanel::sizeAt(int percent)
{
    return {bridge::scaledLength(MainWidget::kWidth, percent),
            bridge::scaledLength(MainWidget::kHeight, percent)};
}

void ScaledPanel::setScale(int newPercent)
{
    if (!bridge::isEditorScale(newPercent) || newPercent == percent)
        return;
    percent = newPercent;
    apply();
    emit scaleChanged(percent);
}

void ScaledPanel::apply()
{
    const qreal s = percent / 100.0;
    setTransform(QTransform::fromScale(s, s));
    setFixedSize(sizeAt(percent));
    shownPanel->setRenderScale(s * devicePixelRatioF());
}

} // namespace quelvar
