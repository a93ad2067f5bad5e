// Port-change notices of the ALSA sequencer, from its announce port; null when the sequencer is
// not there. Made and destroyed on the main thread; `changed` runs on the main thread (a socket
// notifier on the sequencer's descriptor).
#pragma once

#include "standalone/MidiSystem.h"

#include <functional>
#include <memory>

namespace quelvar
{

std::unique_ptr<MidiPortWatch> watchAlsaPorts(std::function<void()> changed);

} // namespace quelvar
