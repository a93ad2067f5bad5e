// The LV2 plugin's ports: events and audio first, then one control port per entry of the
// engine's control table, in its order.
#pragma once

#include "engine/controlPorts.h"

#include <cstdint>

namespace quelvar
{

enum Lv2PortIndex : std::uint32_t
{
    kPortEventsIn = 0, // MIDI and time:Position
    kPortMidiOut = 1,
    kPortOutLeft = 2,
    kPortOutRight = 3,
    kFirstControlPort = 4,
};

} // namespace quelvar
