// The audio side of one Quelvar instance for a CLAP host: a CLAP block (transport, notes in
// either dialect, MIDI, parameter values at their frames) becomes one call of the engine's render
// call, and the sequencer's notes and the slots the engine moved itself go back as output
// events. A block of no frames is one too: its events act at once, in the order they came. Audio
// thread (activate: the main thread, while the host does not process); allocates nothing.
#pragma once

#include "clap/ClapInterface.h"
#include "clap/ClapTimeline.h"
#include "engine/Palladon.h"

#include <array>

namespace quelvar
{

class ClapProcessor
{
public:
    explicit ClapProcessor(Palladon& engine) : synth(engine) {}

    void activate(double sampleRate);
    // With the engine's full reset: held keys are forgotten.
    void reset();
    // Renders into the one stereo output; false when the block has no such output.
    bool process(const clap::clap_process& block);
    // Parameter values while the host does not process: applied at once.
    void flush(const clap::clap_input_events* in);

private:
    void readEvents(const clap::clap_input_events* in, int frames);
    void readNote(const clap::clap_event_note& note, int frame);
    void addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void writeEvents(const clap::clap_output_events* out, int frames);

    Palladon& synth;
    RenderInput input;
    RenderOutput output;
    ClapTimeline timeline;
    // Keys held by note-ons in either dialect, by the count of presses when each went down (0:
    // up), for a note-off or choke of every key.
    std::array<std::uint32_t, 128> held{};
    std::uint32_t presses = 0;
};

} // namespace quelvar
