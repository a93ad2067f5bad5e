// Exporting a pattern as a standard MIDI file with the sequencer's own timing: accented steps
// louder and longer, slides overlapping the next note, "Gate" and "Groove" shaping lengths.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "sequencer/Pattern.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

struct MidiExportSettings
{
    double tempoBpm = 120.0; // written as the file's tempo
    double gate = 0.5;       // "Gate", 0–1
    double groove = 0.0;     // "Groove", 0–1
};

std::vector<std::uint8_t> midiPatternBytes(const Pattern& pattern,
                                           const MidiExportSettings& settings);

// Song pattern `index`, or the current one for −1, at the host's last reported tempo.
// False when nothing was written (empty path, no such pattern, file not writable).
bool exportMidiPattern(Palladon& engine, const std::string& path, int index);
// The same at a tempo of the caller's choosing, for an engine no host reports a tempo to.
bool exportMidiPattern(Palladon& engine, const std::string& path, int index, double tempoBpm);

} // namespace quelvar
