// The base of every control of the panel: an index (a parameter slot, or a step column or page
// for the step editor's controls) and a value 0-1. A user gesture emits valueChanged with
// beginEdit and endEdit around it; a value set from outside emits nothing and only marks the
// control for the panel's next repaint, so it may be set from any thread.
#pragma once

#include "dsp/clampUnit.h"

#include <QWidget>

#include <atomic>

namespace quelvar
{

class Control : public QWidget
{
    Q_OBJECT

public:
    explicit Control(int index, QWidget* parent = nullptr);

    int index() const { return controlIndex; }
    float value() const { return current.load(std::memory_order_relaxed); }

    // From outside (any thread): no signal, repainted by repaintIfChanged.
    void setValueQuietly(float v);
    // Main thread: repaints when the value changed since the last call.
    void repaintIfChanged();

signals:
    void valueChanged(int index, float value);
    void beginEdit(int index);
    void endEdit(int index);

protected:
    // A user gesture: stores, repaints and emits.
    void userValue(float v);

private:
    const int controlIndex;
    std::atomic<float> current{0.0f};
    std::atomic<bool> changed{false};
    static_assert(std::atomic<float>::is_always_lock_free);
};

} // namespace quelvar
