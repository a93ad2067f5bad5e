// A latching button with a lamp: each click turns it on or off (value 1 or 0). Drawn as a small
// LED push button, as the waveform selector (a saw or a square on its cap) or as a step key.
#pragma once

#include "standalone/panel/Control.h"

#include <QColor>

namespace quelvar
{

class Button : public Control
{
    Q_OBJECT

public:
    enum class Look
    {
        led,      // a lamp that is the button
        waveform, // saw when off, square when on
        key,      // a square key with a lamp in its middle
    };

    Button(int index, Look look, QWidget* parent = nullptr);

    bool isOn() const { return value() >= 0.5f; }
    void setLampColour(const QColor& colour) { lamp = colour; }
    // A dimmed button still works but shows it belongs to nothing that plays (a hidden step).
    void setDimmed(bool dimmed);

signals:
    void rightPressed(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Look look;
    QColor lamp;
    bool down = false;
    bool dimmed = false;
};

} // namespace quelvar
