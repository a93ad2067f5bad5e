// The engine's render call, Palladon::render: one block rendered from a plain input record into
// a plain output record, reaching no host on the way. A format adapter fills the input from its
// host's process data and hands the output back to its host. Audio thread only; the records have
// fixed capacities, and nothing on the way allocates, locks or makes a system call.
//
// How a block is rendered:
// - Frames outside 0 … frames − 1 count as the nearest frame inside.
// - Transport and parameter changes cut the block into spans where they fall. A span is rendered
//   as a block of its own would be: its changes apply at its first frame (the transport, then
//   parameter changes in the order given, then the MIDI events that fall in the span), values
//   the engine reads once per block are read there, and at its end the sequencer follows the
//   tempo and the effects run. A block without changes is one span, whatever its length.
// - MIDI events act at the start of their span: pattern choice, step recording, controllers and
//   program changes. Live notes in MIDI-in sync sound at their frame (the standalone program
//   with its antialias switch on plays them at the span's first frame, as it always has).
// - A block of no frames renders nothing: its parameter changes and MIDI events act at once (its
//   live notes sound at the next block's first frame); its transport changes are the adapter's to
//   carry into the next block's time.
#pragma once

#include "dsp/TimedList.h"
#include "engine/parameterTable.h"
#include "sequencer/BlockMidi.h"
#include "sequencer/MidiOut.h"
#include "sequencer/Transport.h"

#include <array>

namespace quelvar
{

// The host's transport from `frame` on: a start, a stop, a jump or a tempo change inside the
// block. Raise time.transportChanged for a start, a stop or a jump, as at a block start.
struct TransportChange
{
    int frame = 0;
    HostTime time;
};

// A slot set at a frame, as setParameter sets it (values outside 0–1 are held to it).
struct ParameterChange
{
    int frame = 0;
    int slot = 0;
    float value = 0.0f;
};

// A slot the engine moved itself while rendering, with the value it was set to.
struct ParameterReport
{
    int slot = 0;
    float value = 0.0f;
    // A MIDI controller moved it (a learnt one included): a host that records automation takes
    // it as the player's move. False: a pattern chosen by a note or a program change.
    bool fromController = false;
};

// At most one report per slot: a slot moved again keeps its place and takes the later value.
class ParameterReports
{
public:
    void add(int slot, float value, bool fromController);
    void clear() { count = 0; }
    int size() const { return count; }
    const ParameterReport& operator[](int i) const { return entries[static_cast<std::size_t>(i)]; }
    const ParameterReport* begin() const { return entries.data(); }
    const ParameterReport* end() const { return entries.data() + count; }

private:
    std::array<ParameterReport, kNumParams> entries{};
    int count = 0;
};

struct RenderInput
{
    // What does not fit is dropped, the entry being added, and counted in the list's dropped().
    static constexpr int kMaxTransportChanges = 32;
    static constexpr int kMaxMidiEvents = 512;
    static constexpr int kMaxParameterChanges = 256;
    using MidiList = TimedList<BlockMidi, kMaxMidiEvents>;

    int frames = 0; // any length: longer than the prepared size is rendered in pieces
    HostTime time;  // the host's transport at frame 0
    TimedList<TransportChange, kMaxTransportChanges> transport;
    MidiList midi; // channel messages; others are ignored
    TimedList<ParameterChange, kMaxParameterChanges> parameters;
    // A VST 2 host is asked for the time again after the block: when given, that answer's tempo
    // and position are what the sequencer follows at the block's end instead of the time in
    // force there.
    bool timeAfterGiven = false;
    HostTime timeAfter;

    // Empties the lists and forgets timeAfter; frames and time stay.
    void clear();
};

struct RenderOutput
{
    float* left = nullptr; // frames samples each, set by the adapter; null renders nothing
    float* right = nullptr;
    // The sequencer's notes, in frame order, every frame inside the block. Holds kMidiOutEvents.
    MidiOutList midi;
    // Slots the engine moved itself (controllers, learning, pattern choice by note or program).
    ParameterReports reports;
    // A controller was learnt: the controller map a host may show has changed.
    bool controllersChanged = false;

    // Empties the lists; the buffers stay.
    void clear();
};

} // namespace quelvar
