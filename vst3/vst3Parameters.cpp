#include "vst3/vst3Parameters.h"

#include "engine/ControllerMap.h"
#include "engine/controlPorts.h"
#include "engine/parameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quelvar::vst3
{

namespace
{
constexpr int kTextRoom = 64;

ParamValue clampNormalized(ParamValue v)
{
    return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
}

// "antialias", which has no control, is a switch.
int stepsOf(int slot)
{
    const ControlPort* port = controlPortOf(slot);
    return port ? stepCount(*port) : 1;
}

float slotValueOfStep(int slot, int step)
{
    return slotValueOf(slot, static_cast<ParamValue>(step) / stepsOf(slot));
}

int programOf(ParamValue normalized)
{
    return std::min(static_cast<int>(clampNormalized(normalized) * kProgramPatterns),
                    kProgramPatterns - 1);
}
} // namespace

ParamID parameterIdAt(int index)
{
    if (index < 0 || index >= kParameterCount)
        return kNoParamId;
    if (index < kNumParams)
        return static_cast<ParamID>(index);
    if (index == kNumParams)
        return kProgramParamId;
    if (index == kNumParams + 1)
        return kPitchBendParamId;
    return kFirstControllerParamId + static_cast<ParamID>(index - kNumParams - 2);
}

int parameterIndexOf(ParamID id)
{
    ParameterTarget t{};
    if (!targetOf(id, t))
        return -1;
    switch (t.kind)
    {
    case ParameterTarget::Kind::slot:
        return t.number;
    case ParameterTarget::Kind::program:
        return kNumParams;
    case ParameterTarget::Kind::pitchBend:
        return kNumParams + 1;
    case ParameterTarget::Kind::controller:
        return kNumParams + 2 + t.number;
    }
    return -1;
}

bool targetOf(ParamID id, ParameterTarget& target)
{
    if (id < static_cast<ParamID>(kNumParams))
        target = {ParameterTarget::Kind::slot, static_cast<int>(id)};
    else if (id == kProgramParamId)
        target = {ParameterTarget::Kind::program, 0};
    else if (id == kPitchBendParamId)
        target = {ParameterTarget::Kind::pitchBend, 0};
    else if (id >= kFirstControllerParamId && id < kFirstControllerParamId + kNumControllers)
        target = {ParameterTarget::Kind::controller,
                  static_cast<int>(id - kFirstControllerParamId)};
    else
        return false;
    return true;
}

bool describeParameter(ParamID id, ParamValue defaultValue, ParameterInfo& info)
{
    ParameterTarget t{};
    if (!targetOf(id, t))
        return false;
    info = {};
    info.id = id;
    info.unitId = kRootUnitId;
    info.defaultNormalizedValue = clampNormalized(defaultValue);
    char title[kTextRoom] = {};
    char shortTitle[kTextRoom] = {};
    const char* units = "";
    switch (t.kind)
    {
    case ParameterTarget::Kind::slot:
    {
        units = parameterUnit(t.number);
        if (const ControlPort* port = controlPortOf(t.number))
        {
            copyText(port->name, title, kTextRoom);
            info.stepCount = stepCount(*port);
            info.flags =
                ParameterInfo::kCanAutomate | (port->points.empty() ? 0 : ParameterInfo::kIsList);
        }
        else
        {
            // "antialias": always on in the plugin, so shown to no one and set by no one.
            copyText(kParamNames[t.number], title, kTextRoom);
            info.stepCount = 1;
            info.flags = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;
        }
        if (t.number < kNumNamedParams)
            trimmedText(kParamNames[t.number], shortTitle, kTextRoom);
        else
            copyText(title, shortTitle, kTextRoom);
        break;
    }
    case ParameterTarget::Kind::program:
        copyText("Program", title, kTextRoom);
        copyText("Program", shortTitle, kTextRoom);
        info.stepCount = kProgramPatterns - 1;
        info.flags =
            ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsProgramChange;
        break;
    case ParameterTarget::Kind::pitchBend:
        copyText("Pitch Bend", title, kTextRoom);
        copyText("Bend", shortTitle, kTextRoom);
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsHidden;
        break;
    case ParameterTarget::Kind::controller:
        std::snprintf(title, sizeof title, "MIDI CC %d", t.number);
        std::snprintf(shortTitle, sizeof shortTitle, "CC %d", t.number);
        info.stepCount = kNumControllers - 1;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsHidden;
        break;
    }
    copyToString128(title, info.title);
    copyToString128(shortTitle, info.shortTitle);
    copyToString128(units, info.units);
    return true;
}

bool midiOfValue(const ParameterTarget& target, ParamValue normalized,
                 std::array<std::uint8_t, 3>& bytes)
{
    const ParamValue v = clampNormalized(normalized);
    switch (target.kind)
    {
    case ParameterTarget::Kind::program:
        bytes = {0xC0, static_cast<std::uint8_t>(programOf(v)), 0};
        return true;
    case ParameterTarget::Kind::pitchBend:
    {
        const auto bend = static_cast<int>(std::lround(v * 16383.0));
        bytes = {0xE0, static_cast<std::uint8_t>(bend & 0x7F),
                 static_cast<std::uint8_t>(bend >> 7)};
        return true;
    }
    case ParameterTarget::Kind::controller:
        bytes = {0xB0, static_cast<std::uint8_t>(target.number),
                 static_cast<std::uint8_t>(std::lround(v * 127.0))};
        return true;
    case ParameterTarget::Kind::slot:
        break;
    }
    return false;
}

float slotValueOf(int slot, ParamValue normalized)
{
    const auto v = static_cast<float>(clampNormalized(normalized));
    if (slot == kTriggerPattern)
        return std::min(v, static_cast<float>(kTriggerablePatterns - 1) / kTriggerablePatterns);
    return v;
}

ParamValue plainValueOf(ParamID id, ParamValue normalized)
{
    ParameterTarget t{};
    if (!targetOf(id, t))
        return normalized;
    switch (t.kind)
    {
    case ParameterTarget::Kind::slot:
        if (const ControlPort* port = controlPortOf(t.number))
            return toPortValue(*port, slotValueOf(t.number, normalized));
        return clampNormalized(normalized);
    case ParameterTarget::Kind::program:
        return programOf(normalized) + 1;
    case ParameterTarget::Kind::pitchBend:
        return std::round(clampNormalized(normalized) * 16383.0) - 8192.0;
    case ParameterTarget::Kind::controller:
        return std::round(clampNormalized(normalized) * 127.0);
    }
    return normalized;
}

ParamValue normalizedValueOf(ParamID id, ParamValue plain)
{
    ParameterTarget t{};
    if (!targetOf(id, t) || std::isnan(plain))
        return 0.0;
    switch (t.kind)
    {
    case ParameterTarget::Kind::slot:
        if (const ControlPort* port = controlPortOf(t.number))
            return toSlotValue(*port, static_cast<float>(plain));
        return clampNormalized(plain);
    case ParameterTarget::Kind::program:
        return clampNormalized((std::round(plain) - 1.0) / (kProgramPatterns - 1));
    case ParameterTarget::Kind::pitchBend:
        return clampNormalized((plain + 8192.0) / 16383.0);
    case ParameterTarget::Kind::controller:
        return clampNormalized(plain / 127.0);
    }
    return 0.0;
}

bool textOfValue(Palladon& engine, ParamID id, ParamValue normalized, String128 text)
{
    ParameterTarget t{};
    if (!targetOf(id, t))
        return false;
    char shown[kTextRoom] = {};
    if (t.kind == ParameterTarget::Kind::slot)
        engine.formatParameterValue(t.number, slotValueOf(t.number, normalized), shown);
    else
        std::snprintf(shown, sizeof shown, "%d", static_cast<int>(plainValueOf(id, normalized)));
    copyToString128(shown, text);
    return true;
}

bool valueOfText(Palladon& engine, ParamID id, const TChar* text, ParamValue& normalized)
{
    ParameterTarget t{};
    if (!text || !targetOf(id, t))
        return false;
    char ascii[kTextRoom] = {};
    copyToAscii(text, ascii, kTextRoom);
    if (t.kind != ParameterTarget::Kind::slot)
    {
        double plain = 0.0;
        if (!numberInText(ascii, plain))
            return false;
        normalized = normalizedValueOf(id, plain);
        return true;
    }
    const int steps = stepsOf(t.number);
    if (steps == 0)
    {
        float value = 0.0f;
        if (!continuousValueOfText(engine, t.number, ascii, value))
            return false;
        normalized = value;
        return true;
    }
    int step = 0;
    if (!stepOfText(engine, t.number, ascii, steps, slotValueOfStep, step))
        return false;
    normalized = static_cast<ParamValue>(step) / steps;
    return true;
}

bool parameterOfController(const Palladon& engine, int controller, ParamID& id)
{
    if (controller == kPitchBend)
    {
        id = kPitchBendParamId;
        return true;
    }
    if (controller == kCtrlProgramChange)
    {
        id = kProgramParamId;
        return true;
    }
    if (!ControllerMap::assignable(controller))
        return false;
    id = kFirstControllerParamId + static_cast<ParamID>(controller);
    if (engine.getLearningSlot() >= 0)
        return true;
    for (int slot = 0; slot < kNumParams; ++slot)
        if (engine.controllerOf(slot) == controller && controlPortOf(slot))
            id = static_cast<ParamID>(slot);
    return true;
}

void copyToString128(const char* text, TChar* out)
{
    int n = 0;
    for (; text && text[n] && n < 127; ++n)
    {
        const auto c = static_cast<unsigned char>(text[n]);
        out[n] = c < 0x80 ? static_cast<TChar>(c) : u'?';
    }
    out[n] = 0;
}

void copyToAscii(const TChar* text, char* out, int capacity)
{
    int n = 0;
    for (; text && text[n] && n < capacity - 1; ++n)
        out[n] = text[n] < 0x80 ? static_cast<char>(text[n]) : '?';
    out[n] = 0;
}

} // namespace quelvar::vst3
