// A number in red digits with up and down arrows, in its own units (steps, BPM). Holding an
// arrow repeats: the first step at once, 200 ms later one every 100 ms, and after 2.5 s of that
// one every 20 ms. A value v within min-max reaches the engine as (v - min) / (max - min).
#pragma once

#include "standalone/panel/Control.h"

#include <QTimer>

namespace quelvar
{

class SpinBox : public Control
{
    Q_OBJECT

public:
    static constexpr int kFirstDelayMs = 200;
    static constexpr int kRepeatMs = 100;
    static constexpr int kSpeedUpAfterMs = 2500;
    static constexpr int kFastRepeatMs = 20;

    SpinBox(int index, int minimum, int maximum, int initial, QWidget* parent = nullptr);

    int number() const;
    // From outside, like setValueQuietly, in the box's units.
    void setNumberQuietly(int n);
    // A user step of `delta` units.
    void stepBy(int delta);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly; }
    // The repeat timer's current period; 0 when it is not running.
    int repeatIntervalMs() const { return repeat.isActive() ? repeat.interval() : 0; }

public slots:
    // An arrow pressed: the first delay.
    void startProcessSpin();
    // One repeat step.
    void processSpin();
    // Repeats have run for a while: faster.
    void speedItUp();
    void stopSpin();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    float normalised(int n) const;
    QRectF arrowArea() const;

    const int minimum;
    const int maximum;
    int direction = 0; // the held arrow: +1, -1, or 0
    bool repeating = false;
    bool readOnly = false;
    QTimer repeat;
    QTimer speedUp;
};

} // namespace quelvar
