// A momentary push button with a caption: pressed and released signals, a right press for its
// menu, and an optional lamp that the panel lights (the play button's).
#pragma once

#include "standalone/panel/Control.h"

#include <QColor>
#include <QString>

namespace quelvar
{

class KickButton : public Control
{
    Q_OBJECT

public:
    KickButton(const QString& caption, QWidget* parent = nullptr);

    enum class Arrow
    {
        none,
        left,
        right,
        up,
        down
    };
    // An arrow drawn before the caption.
    void setArrow(Arrow a) { arrow = a; }
    // A small mark tells that a right press opens a menu.
    void setHasMenu(bool has) { menuMark = has; }
    // A lamp of that colour before the caption.
    void setLamp(const QColor& colour);
    void setLampLit(bool lit);
    bool lampLit() const { return lit; }

signals:
    void pressed();
    void released();
    void rightPressed(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString text;
    QColor lampColour;
    bool hasLamp = false;
    bool lit = false;
    bool menuMark = false;
    bool down = false;
    Arrow arrow = Arrow::none;
};

} // namespace quelvar
