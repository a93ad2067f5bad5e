// A pattern as ABL2 or ABL3 text (.pat), CR LF line ends.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include "io/parameterSlots.h"
#include "sequencer/Pattern.h"

#include <string>

namespace quelvar
{

// The settings line's values, in the order written, each normalised 0–1.
struct AblSettings
{
    double tune, cutoff, resonance, envMod, decay, accent, waveform, volume;
};

AblSettings ablSettingsOf(const ParameterSnapshot& params);

std::string abl2PatternText(const Pattern& pattern, const AblSettings& settings);
std::string abl3PatternText(const Pattern& pattern, const AblSettings& settings);

} // namespace quelvar
