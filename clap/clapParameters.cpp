#include "clap/clapParameters.h"

#include "engine/parameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace quelvar
{

using namespace clap;

namespace
{
double lowest(const ControlPort& port)
{
    return stepCount(port) > 0 ? port.minimum : 0.0;
}

double highest(const ControlPort& port)
{
    return stepCount(port) > 0 ? port.maximum : 1.0;
}
} // namespace

std::uint32_t clapParameterCount()
{
    return static_cast<std::uint32_t>(controlPorts().size());
}

const ControlPort* clapParameterAt(std::uint32_t index)
{
    const std::span<const ControlPort> ports = controlPorts();
    return index < ports.size() ? &ports[index] : nullptr;
}

const ControlPort* clapParameterWithId(clap_id id)
{
    return id < static_cast<clap_id>(kNumParams) ? controlPortOf(static_cast<int>(id)) : nullptr;
}

double toClapValue(const ControlPort& port, float slotValue)
{
    const double value = stepCount(port) > 0 ? toPortValue(port, slotValue) : slotValue;
    return std::isnan(value) ? lowest(port) : std::clamp(value, lowest(port), highest(port));
}

float fromClapValue(const ControlPort& port, double value)
{
    const double held =
        std::isnan(value) ? lowest(port) : std::clamp(value, lowest(port), highest(port));
    return stepCount(port) > 0 ? toSlotValue(port, static_cast<float>(std::round(held)))
                               : static_cast<float>(held);
}

float slotValueOfClapStep(int slot, int step)
{
    const ControlPort& port = *controlPortOf(slot);
    return fromClapValue(port, port.minimum + step);
}

bool clapValueText(Palladon& engine, const ControlPort& port, double value, char* text,
                   std::uint32_t size)
{
    char shown[32] = {};
    engine.formatParameterValue(port.slot, fromClapValue(port, value), shown);
    const char* unit = parameterUnit(port.slot);
    std::snprintf(text, size, *unit ? "%s %s" : "%s", shown, unit);
    return true;
}

bool clapTextValue(Palladon& engine, const ControlPort& port, const char* text, double& value)
{
    const int steps = stepCount(port);
    if (steps > 0)
    {
        int step = 0;
        if (!stepOfText(engine, port.slot, text, steps, slotValueOfClapStep, step))
            return false;
        value = port.minimum + step;
        return true;
    }
    float slotValue = 0.0f;
    if (!continuousValueOfText(engine, port.slot, text, slotValue))
        return false;
    value = toClapValue(port, slotValue);
    return true;
}

void describeClapParameter(const ControlPort& port, double defaultValue, clap_param_info& info)
{
    info = {};
    info.id = static_cast<clap_id>(port.slot);
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (stepCount(port) > 0)
        info.flags |= CLAP_PARAM_IS_STEPPED;
    if (!port.points.empty() && !isToggled(port))
        info.flags |= CLAP_PARAM_IS_ENUM;
    copyText(port.name, info.name, sizeof info.name);
    info.min_value = lowest(port);
    info.max_value = highest(port);
    info.default_value = defaultValue;
}

} // namespace quelvar
