// The parameter slots as a plugin host's controls show them: which slot each control drives, its
// range, unit and kind, and the conversions between the slot's 0–1 value and the control's
// value. One table for every plugin format and its generated descriptions. Constant data and
// pure functions.
#pragma once

#include "engine/parameterTable.h"

#include <span>

namespace quelvar
{

// How a slot's 0–1 value shows on its port.
enum class PortScale
{
    unit,           // the value itself
    percent,        // 0–100
    bipolarPercent, // -100–100 across 0–1
    semitones,      // ±12 across 0–1
    onOff,          // 0 below one half, else 1
    quarters,       // k at k / 4: the four distortion types, the five pattern sync modes
    syncMode,       // host, internal, MIDI in at 0, 0.5, 1
    steps,          // 1–64 steps
    pattern,        // patterns 1–32
    tempo,          // 40–300 BPM
};

enum class PortUnit
{
    none,
    percent,
    coefficient,
    semitones,
    bpm,
};

struct ScalePoint
{
    const char* label;
    float value;
};

struct ControlPort
{
    int slot;
    const char* symbol;
    const char* name;
    PortScale scale;
    PortUnit unit;
    float minimum;
    float maximum;
    std::span<const ScalePoint> points; // empty unless the port is an enumeration
    const char* comment;                // what the port does where the name does not say
};

// In the order hosts list them. "antialias" has no control: the plugin keeps it on.
std::span<const ControlPort> controlPorts();
// The control of a slot; null for "antialias" and outside the slots.
const ControlPort* controlPortOf(int slot);

// The port's value for a slot value (what getParameter answers).
float toPortValue(const ControlPort& port, float slotValue);
// The slot value setParameter takes for a port value, which is first held to the port's range.
float toSlotValue(const ControlPort& port, float portValue);

// Whole numbers only: choices, steps, patterns, tempo.
bool isInteger(const ControlPort& port);
// A switch: on/off without named choices.
bool isToggled(const ControlPort& port);
// Values a whole-number control takes, less one (a switch: 1); 0 for a continuous one.
int stepCount(const ControlPort& port);

} // namespace quelvar
