#include "vst3/vst3Parameters.h"

#include "engine/ControllerMap.h"
#include "engine/controlPorts.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace quelvar::vst3
{

namespace
{
constexpr int kTextRoom = 64;

// The unit of each slot's display text, in slot order.
// clang-format off
const char* const kSlotUnits[kNumParams] = {
    "dB", "", "", "%", "", "%", "%", "%", "ms", "%",  // volume … groove
    "", "", "ms", "", "",                            // steps, pattern sync, slide, antialias, trigger
    "", "", "", "ms", "dB", "%", "%",                // delay on, sync, ping-pong, time, volume, feedback, filter
    "", "", "%", "%",                                // distortion on, type, first and second control
    "", "BPM", ""};                                  // sync mode, tempo, step record
// clang-format on

void trimmed(const char* text, char* out, int capacity)
{
    while (*text == ' ')
        ++text;
    int n = 0;
    for (; text[n] && n < capacity - 1; ++n)
        out[n] = text[n];
    while (n > 0 && out[n - 1] == ' ')
        --n;
    out[n] = 0;
}

bool sameText(const char* a, const char* b)
{
    char x[kTextRoom];
    char y[kTextRoom];
    trimmed(a, x, kTextRoom);
    trimmed(b, y, kTextRoom);
    int i = 0;
    for (; x[i] && y[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(x[i])) !=
            std::tolower(static_cast<unsigned char>(y[i])))
            return false;
    return x[i] == y[i];
}

// The number a text starts with; minus infinity for the decibel display's "-oo".
bool numberIn(const char* text, double& number)
{
    while (*text == ' ')
        ++text;
    if (std::strncmp(text, "-oo", 3) == 0)
    {
        number = -std::numeric_limits<double>::infinity();
        return true;
    }
    char* end = nullptr;
    number = std::strtod(text, &end);
    // "-0.00000" shows a value just below zero: it orders below "0.000000".
    if (number == 0.0 && std::signbit(number))
        number = -std::numeric_limits<double>::denorm_min();
    return end != text && std::isfinite(number);
}

double displayedNumber(Palladon& engine, int slot, float value)
{
    char text[kTextRoom] = {};
    engine.formatParameterValue(slot, value, text);
    double number = 0.0;
    return numberIn(text, number) ? number : std::numeric_limits<double>::quiet_NaN();
}

// A stepped slot: the step whose text is the one given, else the step showing the nearest number.
bool steppedValueOf(Palladon& engine, int slot, int steps, const char* text, ParamValue& value)
{
    double wanted = 0.0;
    const bool isNumber = numberIn(text, wanted);
    double nearest = std::numeric_limits<double>::infinity();
    bool found = false;
    for (int k = 0; k <= steps; ++k)
    {
        const ParamValue candidate = static_cast<ParamValue>(k) / steps;
        char shown[kTextRoom] = {};
        engine.formatParameterValue(slot, slotValueOf(slot, candidate), shown);
        if (sameText(shown, text))
        {
            value = candidate;
            return true;
        }
        const double distance =
            std::abs(displayedNumber(engine, slot, slotValueOf(slot, candidate)) - wanted);
        if (isNumber && distance < nearest)
        {
            nearest = distance;
            value = candidate;
            found = true;
        }
    }
    return found;
}

// A continuous slot: every display grows with the value, so the value showing a number is found
// by halving over the floats of 0–1, which are ordered as their bit patterns are.
bool continuousValueOf(Palladon& engine, int slot, const char* text, ParamValue& value)
{
    double wanted = 0.0;
    if (!numberIn(text, wanted))
        return false;
    std::uint32_t low = 0;
    std::uint32_t high = std::bit_cast<std::uint32_t>(1.0f);
    if (displayedNumber(engine, slot, 1.0f) < wanted)
        low = high;
    while (low < high)
    {
        const std::uint32_t middle = low + (high - low) / 2;
        if (displayedNumber(engine, slot, std::bit_cast<float>(middle)) < wanted)
            low = middle + 1;
        else
            high = middle;
    }
    // The first value showing at least the number, or the last one below it: the nearer.
    float best = std::bit_cast<float>(low);
    if (low > 0)
    {
        const float below = std::bit_cast<float>(low - 1);
        if (std::abs(displayedNumber(engine, slot, below) - wanted) <
            std::abs(displayedNumber(engine, slot, best) - wanted))
            best = below;
    }
    value = best;
    return true;
}

ParamValue clampNormalized(ParamValue v)
{
    return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
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
        target = {ParameterTarget::Kind::controller, static_cast<int>(id - kFirstControllerParamId)};
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
        units = kSlotUnits[t.number];
        if (const ControlPort* port = controlPortOf(t.number))
        {
            copyText(port->name, title, kTextRoom);
            info.stepCount = stepCount(*port);
            info.flags = ParameterInfo::kCanAutomate |
                         (port->points.empty() ? 0 : ParameterInfo::kIsList);
        }
        else
        {
            // "antialias": always on in the plugin, so shown to no one and set by no one.
            copyText(kParamNames[t.number], title, kTextRoom);
            info.stepCount = 1;
            info.flags = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;
        }
        if (t.number < kNumNamedParams)
            trimmed(kParamNames[t.number], shortTitle, kTextRoom);
        else
            copyText(title, shortTitle, kTextRoom);
        break;
    }
    case ParameterTarget::Kind::program:
        copyText("Program", title, kTextRoom);
        copyText("Program", shortTitle, kTextRoom);
        info.stepCount = kProgramPatterns - 1;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                     ParameterInfo::kIsProgramChange;
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
        if (!numberIn(ascii, plain))
            return false;
        normalized = normalizedValueOf(id, plain);
        return true;
    }
    const ControlPort* port = controlPortOf(t.number);
    const int steps = port ? stepCount(*port) : 1;
    return steps > 0 ? steppedValueOf(engine, t.number, steps, ascii, normalized)
                     : continuousValueOf(engine, t.number, ascii, normalized);
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
