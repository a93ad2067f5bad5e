// Exporting a pattern as a standard MIDI file with the sequencer's own timing: accented steps
// louder and longer, slides overlapping the next note (a slide onto the same pitch is one held
// note), "Gate" and "Groove" shaping lengths. The file ends where the pattern does.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "sequencer/Pattern.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
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
// A pass of a chain: each entry's pattern once, one after the other as chain play plays them, a
// slide from one entry's last step going on into the next entry's first. Named `name`.
std::vector<std::uint8_t> midiChainBytes(std::span<const Pattern* const> entries,
                                         const MidiExportSettings& settings, std::string_view name);

} // namespace quelvar
