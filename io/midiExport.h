// Exporting a pattern as a standard MIDI file with the sequencer's own timing: accented steps
// louder and longer, slides overlapping the next note (a slide onto the same pitch is one held
// note), "Gate" and "Groove" shaping lengths. The file ends where the pattern does.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "sequencer/Pattern.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

struct MidiExportSettings
{
    double tempoBpm = 120.0; // written as the file's tempo
    double gate = 0.5;       // "Gate", 0–1
    double groove = 0.0;     // "Groove", 0–1
};

std::vector<std::uint8_t> midiPatternBytes(const Pattern& pattern,
                                           const MidiExportSettings& settings);

} // namespace quelvar
