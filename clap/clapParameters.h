// Quelvar's CLAP parameters: one per control of the engine's control table, in its order, each
// identified by the engine's slot. Continuous controls carry the slot's own 0–1 value, so the
// host's automation holds the engine's numbers; stepped ones (switches, choices, step count,
// pattern, tempo) carry the whole numbers of the table. Constant data and pure functions, and the
// texts of values, which are the engine's and not for the audio thread.
#pragma once

#include "clap/ClapInterface.h"
#include "engine/Palladon.h"
#include "engine/controlPorts.h"

#include <cstdint>

namespace quelvar
{

std::uint32_t clapParameterCount();
// The control at a parameter index, or null past the end.
const ControlPort* clapParameterAt(std::uint32_t index);
// The control a parameter id names, or null for an id that names none.
const ControlPort* clapParameterWithId(clap::clap_id id);

// The parameter's value for a slot value (what getParameter answers), within its range.
double toClapValue(const ControlPort& port, float slotValue);
// The slot value for a parameter value, which is held to the parameter's range and, when
// stepped, rounded to a whole number. NaN gives the range's minimum.
float fromClapValue(const ControlPort& port, double value);
// The slot value of a stepped parameter's step k, its minimum plus k.
float slotValueOfClapStep(int slot, int step);

// The engine's display text of a value with its unit, at most `size` bytes with the terminator.
bool clapValueText(Palladon& engine, const ControlPort& port, double value, char* text,
                   std::uint32_t size);
// The value a text stands for: a choice's name, or the step or value showing the number nearest
// the text's. False when the text says neither.
bool clapTextValue(Palladon& engine, const ControlPort& port, const char* text, double& value);

// Everything but the default, which comes from the engine.
void describeClapParameter(const ControlPort& port, double defaultValue,
                           clap::clap_param_info& info);

} // namespace quelvar
