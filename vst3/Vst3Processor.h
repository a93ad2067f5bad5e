// The audio side of the VST 3 instrument: a block's process context, note events and parameter
// changes become one call of the engine's render call; the sequencer's notes go back as note
// events at their offsets, and the slots a controller moved as output parameter changes. Audio
// thread (setup: while the host does not process); allocates nothing.
#pragma once

#include "engine/Palladon.h"
#include "vst3/Vst3Interface.h"
#include "vst3/Vst3Timeline.h"
#include "vst3/vst3Parameters.h"

#include <array>
#include <atomic>

namespace quelvar::vst3
{

// What the controller shows of each parameter, by list index; the processor writes the values
// that arrive and the ones the engine set itself.
using ShownValues = std::array<std::atomic<ParamValue>, kParameterCount>;

class Vst3Processor
{
public:
    Vst3Processor(Palladon& engine, ShownValues& shown) : synth(engine), shown(shown) {}

    void setup(double sampleRate);
    // Processing starts again: MIDI that waited for a block is forgotten, the host is stopped.
    void restart();
    tresult process(ProcessData& data);

    // A controller was learnt since the last take: the host should ask for the mapping again.
    // Any thread.
    bool takeControllersChanged()
    {
        return controllersChanged.exchange(false, std::memory_order_acquire);
    }

private:
    void addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void readEvents(IEventList& events, int frames);
    void readParameters(IParameterChanges& changes, int frames);
    void writeEvents(IEventList& events);
    void writeReports(IParameterChanges* changes);

    Palladon& synth;
    ShownValues& shown;
    double rate = 44100.0;
    RenderInput input;
    RenderOutput output;
    Vst3Timeline timeline;
    // MIDI of a block of no frames waits for the next block's first frame, after that block's
    // parameter changes, as a block of no frames is played by hosts of other formats.
    std::array<BlockMidi, RenderInput::kMaxMidiEvents> waiting{};
    int waitingCount = 0;
    std::atomic<bool> controllersChanged{false};
};

} // namespace quelvar::vst3
