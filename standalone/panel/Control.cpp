#include "standalone/panel/Control.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

Control::Control(int index, QWidget* parent) : QWidget(parent), controlIndex(index) {}

float Control::clampUnit(float v)
{
    return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
}

void Control::setValueQuietly(float v)
{
    current.store(clampUnit(v), std::memory_order_relaxed);
    changed.store(true, std::memory_order_release);
}

void Control::repaintIfChanged()
{
    if (changed.exchange(false, std::memory_order_acquire))
        update();
}

void Control::userValue(float v)
{
    v = clampUnit(v);
    current.store(v, std::memory_order_relaxed);
    update();
    emit valueChanged(controlIndex, v);
}

} // namespace quelvar
