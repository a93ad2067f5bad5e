// A latching button with a caption and a lamp: each click turns it on or off. The page buttons
// are Toggles in a ButtonGroup; the edit switch is one on its own.
#pragma once

#include "standalone/panel/Control.h"

#include <QString>

namespace quelvar
{

class Toggle : public Control
{
    Q_OBJECT

public:
    Toggle(int index, const QString& caption, QWidget* parent = nullptr);

    bool isOn() const { return value() >= 0.5f; }
    // Main thread: sets and repaints at once, without signals.
    void setOnQuietly(bool on);

    // A user click, as the mouse makes it.
    void click();

signals:
    void toggled(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString text;
    bool down = false;
};

} // namespace quelvar
