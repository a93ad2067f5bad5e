// Writing the current pattern as an ABL2 or ABL3 text file (.pat), CR LF line ends.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "sequencer/Pattern.h"

#include <string>

namespace quelvar
{

class Palladon;

// The settings line's values, in the order written, each normalised 0–1.
struct AblSettings
{
    double tune, cutoff, resonance, envMod, decay, accent, waveform, volume;
};

AblSettings ablSettingsOf(Palladon& engine);

std::string abl2PatternText(const Pattern& pattern, const AblSettings& settings);
std::string abl3PatternText(const Pattern& pattern, const AblSettings& settings);

// False when nothing was written (no current pattern, empty path, file not writable).
bool exportABL2Pattern(Palladon& engine, const std::string& path);
bool exportABL3Pattern(Palladon& engine, const std::string& path);

} // namespace quelvar
