#include "standalone/panel/Control.h"

namespace quelvar
{

Control::Control(int index, QWidget* parent) : QWidget(parent), controlIndex(index) {}

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
