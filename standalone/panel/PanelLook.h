// The panel's look in one place: its colours, its fonts (a free condensed face shipped as a
// resource), the menu style sheet and the small drawing helpers the widgets share. Qt main thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QMenu;
class QPainter;
class QWidget;

namespace quelvar::look
{

// The shipped face stands where the panel's design names a condensed display face.
inline const QString kFamily = QStringLiteral("Roboto Condensed");

const QColor kSilverLight(226, 227, 229);
const QColor kSilverDark(182, 184, 188);
const QColor kInk(34, 34, 38);      // captions on the silver
const QColor kGraphite(40, 41, 45); // the dark strips
const QColor kGraphiteLight(62, 63, 69);
const QColor kPaper(220, 220, 220); // captions on the dark strips
const QColor kAmber(255, 170, 0);
const QColor kLedRed(255, 48, 32);
const QColor kLedOrange(255, 150, 20);
const QColor kLedGreen(120, 230, 60);
const QColor kLcdBack(22, 26, 20);
const QColor kLcdText(255, 176, 40);

// The shipped face, registered on the first call.
QFont font(int pixelSize, bool bold = true);

// A popup menu in the panel's style, owned by `parent`; it pops up as a window of its own, also
// from a scaled panel.
QMenu* popupMenu(QWidget* parent);

// A round LED in `r`, lit or dark, in the given colour.
void drawLed(QPainter& p, const QRectF& r, const QColor& colour, bool lit);
// A raised key cap (the panel's push buttons); `down` draws it pressed.
void drawCap(QPainter& p, const QRectF& r, const QColor& face, bool down);

} // namespace quelvar::look
