#include "engine/RenderCall.h"

namespace quelvar
{

void ParameterReports::add(int slot, float value, bool fromController)
{
    for (int i = 0; i < count; ++i)
    {
        ParameterReport& r = entries[static_cast<std::size_t>(i)];
        if (r.slot == slot)
        {
            r.value = value;
            r.fromController = r.fromController || fromController;
            return;
        }
    }
    if (count < kNumParams)
        entries[static_cast<std::size_t>(count++)] = {slot, value, fromController};
}

void RenderInput::clear()
{
    transport.clear();
    midi.clear();
    parameters.clear();
    timeAfterGiven = false;
}

void RenderOutput::clear()
{
    midi.clear();
    reports.clear();
    controllersChanged = false;
}

} // namespace quelvar
