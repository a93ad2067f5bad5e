// MidiSystem over RtMidi on the ALSA sequencer. RtMidi throws where the sequencer is missing (its
// constructor does so even for listing objects); every construction and open here is guarded, so
// a missing sequencer gives no ports instead of an exception.
#pragma once

#include "standalone/MidiSystem.h"

#include <string>

namespace quelvar
{

class RtMidiSystem : public MidiSystem
{
public:
    // Whether the ALSA sequencer can be opened.
    static bool available();

    std::unique_ptr<MidiInputPort> makeInput(const std::string& clientName) override;
    std::unique_ptr<MidiOutputPort> makeOutput(const std::string& clientName) override;
    std::unique_ptr<MidiPortWatch> watchPorts(std::function<void()> changed) override;
};

} // namespace quelvar
