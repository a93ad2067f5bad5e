// A rotary knob: drag up or right to raise it (with Shift ten times finer), turn the wheel, or
// double-click for its initial position. 270 degrees of travel with an amber value arc.
#pragma once

#include "standalone/panel/Control.h"

namespace quelvar
{

class Knob : public Control
{
    Q_OBJECT

public:
    Knob(int index, float initial, QWidget* parent = nullptr);

    // On the dark strips the scale is drawn light.
    void setOnDark(bool dark) { onDark = dark; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    const float initialValue;
    bool onDark = false;
    bool dragging = false;
    QPointF pressPosition;
    float pressValue = 0.0f;
};

} // namespace quelvar
