// Port-change notices of the two MIDI systems: JACK's port registration callback and the ALSA
// sequencer's announce port. Each answers null when its system is not there. Made and destroyed
// on the main thread; `changed` runs on JACK's notification thread, or on the main thread for
// ALSA (a socket notifier on the sequencer's descriptor).
#pragma once

#include "standalone/MidiSystem.h"

#include <functional>
#include <memory>

namespace quelvar
{

std::unique_ptr<MidiPortWatch> watchJackPorts(std::function<void()> changed);
std::unique_ptr<MidiPortWatch> watchAlsaPorts(std::function<void()> changed);

} // namespace quelvar
