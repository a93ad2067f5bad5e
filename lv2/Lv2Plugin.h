// The LV2 instrument: one engine in its plugin flavour, with the shared block and the editor the
// VST plugin gives it, over the engine's render call: one call per run(), the host's
// time:Position objects as transport changes at their frames, MIDI in and out through the atom
// ports, the slots controllers and the panel moved kept in the engine's parameter edits for the
// UI object to hand to the host.
// run() is the audio thread and allocates nothing; save() may run beside it (the engine's chunk
// writer allows that); create, restore and setOptions run while the host does not call run();
// the editor entries run on the host's UI thread.
#pragma once

#include "engine/Palladon.h"
#include "lv2/HostTimeline.h"
#include "lv2/controlPorts.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quelvar
{

class Lv2Plugin
{
public:
    // Null without urid:map, the one feature it needs, or when the engine cannot be built.
    // uiProgram: the editor's program, carried by the plugin (empty: no editor opens).
    static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features,
                             std::span<const std::uint8_t> uiProgram) noexcept;
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    void connectPort(std::uint32_t index, void* data);
    void activate();
    void deactivate();
    void run(std::uint32_t frames);

    // The state is one property: the engine's state chunk.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    // Applies a chunk only when it is well formed throughout; without one, the defaults.
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
    // Takes the block lengths; the engine's buffers are sized here, never in run().
    std::uint32_t setOptions(const LV2_Options_Option* options);

    // The editor inside an X11 window of the host's, and the control ports the panel moved.
    bool openEditor(unsigned long window);
    void closeEditor();
    void editorSize(int& width, int& height);
    bool nextPortChange(std::uint32_t& port, float& value);

    Palladon& engine() { return *synth; }

private:
    struct Urids
    {
        explicit Urids(const LV2_URID_Map& map);
        LV2_URID atomSequence, atomObject, atomBlank, atomChunk, atomInt, atomLong, atomFloat,
            atomDouble, midiEvent, timePosition, timeFrame, timeSpeed, timeBar, timeBarBeat,
            timeBeat, timeBeatUnit, timeBeatsPerBar, timeBeatsPerMinute, maxBlockLength,
            nominalBlockLength, chunkKey;
    };
    Lv2Plugin(double sampleRate, const LV2_URID_Map& map, std::span<const std::uint8_t> uiProgram);

    void applyControlPorts();
    void queueMidi(int frame, const std::uint8_t* bytes, std::uint32_t size);
    PositionFields readPosition(const LV2_Atom_Object* position) const;
    bool readNumber(const LV2_Atom* atom, double& value) const;
    void beginMidiOut();
    void sendMidiOut();

    Urids urids;
    std::unique_ptr<Palladon> synth;
    std::vector<std::uint8_t> defaultChunk; // what an empty state restores
    HostTimeline timeline;

    const LV2_Atom_Sequence* eventsIn = nullptr;
    LV2_Atom_Sequence* midiOut = nullptr;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    std::vector<const float*> controls;
    std::vector<float> lastControlValues; // as last seen on each port, to act on changes only

    RenderInput input;
    RenderOutput output;
    // MIDI of a block of no frames waits for the next block's first frame, as a VST host
    // delivers it: the controls of that block come before it.
    std::array<BlockMidi, RenderInput::kMaxMidiEvents> waiting{};
    int waitingCount = 0;

    std::uint32_t midiOutCapacity = 0;
};

} // namespace quelvar
