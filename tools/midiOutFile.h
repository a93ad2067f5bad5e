// The MIDI that the plugin sends back during a render, written as a format-0 standard MIDI file
// whose ticks follow the render tempo. Offline use; allocates.
#pragma once

#include "midiSchedule.h"
#include "tools/vsthost/VstHost.h"

#include <cstdint>
#include <vector>

namespace quelvar
{

// Absolute frames of what the host received. blockStarts[i] is the first frame of block i and
// the last entry the end of the render. An offset outside its block is held inside it, so the
// events stay in block order; events of blocks outside the render are dropped.
std::vector<FramedMidi> framesOfReceived(const std::vector<ReceivedMidi>& received,
                                         const std::vector<std::int64_t>& blockStarts);

// One track: the tempo, then every three-byte channel message (notes, controllers, pitch bend)
// at its time; other messages are left out. A note still sounding at `endFrame` gets its
// note-off there, so no note hangs in a sequencer that plays the file. Ticks are those of
// io/MidiFile (kMidiFileDivision per quarter note).
std::vector<std::uint8_t> midiOutFileBytes(const std::vector<FramedMidi>& events,
                                           std::int64_t endFrame, double sampleRate,
                                           double tempoBpm);

} // namespace quelvar
