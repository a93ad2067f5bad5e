// MidiSystem over RtMidi, on the ALSA sequencer or on JACK. RtMidi throws where its system is
// missing (the ALSA sequencer constructor does so even for listing objects); every construction
// and open here is guarded, so a missing system gives no ports instead of an exception.
#pragma once

#include "standalone/MidiSystem.h"

#include <string>

namespace quelvar
{

enum class MidiApi
{
    none,
    alsa,
    jack,
};

class RtMidiSystem : public MidiSystem
{
public:
    explicit RtMidiSystem(MidiApi api) : api(api) {}

    // The preferred system when it can be opened, else the other one when it can, else none.
    static MidiApi choose(MidiApi preferred);
    static bool alsaSequencerAvailable();
    static bool jackServerRunning();

    std::unique_ptr<MidiInputPort> makeInput(const std::string& clientName) override;
    std::unique_ptr<MidiOutputPort> makeOutput(const std::string& clientName) override;
    std::unique_ptr<MidiPortWatch> watchPorts(std::function<void()> changed) override;

private:
    const MidiApi api;
};

// "ALSA" or "JACK", as stored in the settings; anything else reads as ALSA.
MidiApi midiApiFromName(const std::string& name);
const char* midiApiName(MidiApi api);

} // namespace quelvar
