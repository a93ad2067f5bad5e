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

    QString caption() const { return text; }
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
    void setLamp(bool has, const QColor& colour = QColor(255, 48, 32));
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
