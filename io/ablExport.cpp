#include "io/ablExport.h"

#include "io/ablNoteNames.h"
#include "io/patternImport.h"
#include "io/textHelpers.h"

#include <algorithm>

namespace quelvar
{

namespace
{
std::string settingsLine(const AblSettings& s)
{
    return "; Tune: " + formatFixed6(s.tune) + " Cutoff: " + formatFixed6(s.cutoff) +
           " Resonance: " + formatFixed6(s.resonance) + " Envmod: " + formatFixed6(s.envMod) +
           " Decay: " + formatFixed6(s.decay) + " Accent: " + formatFixed6(s.accent) +
           " Waveform: " + formatFixed6(s.waveform) + " Volume: " + formatFixed6(s.volume) + "\r\n";
}
} // namespace

AblSettings ablSettingsOf(const ParameterSnapshot& params)
{
    return {params[kTuning],    std::min(1.0f, params[kCutoff] * 2.4f),
            params[kResonance], params[kEnvMod],
            params[kDecay],     params[kAccent],
            params[kWaveform],  params[kVolume]};
}

std::string abl2PatternText(const Pattern& pattern, const AblSettings& settings)
{
    const int n = pattern.getNBStep();
    std::string text = "; ABL2 Meta tag: " + std::to_string(n) + "\r\n";
    text += " " + settingsLine(settings);
    for (int i = 0; i < n; ++i)
    {
        const Step& step = *pattern.getStepAnyIndex(i);
        // A note out of range is written as a rest rather than looked up out of range.
        const int note = noteOrRest(step.note());
        const int semitone = note > 0 ? (note - 1) % 12 : 0;
        const int octave = note > 0 ? (note - 1) / 12 + 2 : 2;
        text += std::string(kAblNoteNames[semitone]) + std::to_string(octave) + " ";
        text += note > 0 ? "1 " : "0 ";
        text += step.slide() ? "1 " : "0 ";
        text += step.accent() ? "1 " : "0 ";
        text += "\r\n";
    }
    return text;
}

std::string abl3PatternText(const Pattern& pattern, const AblSettings& settings)
{
    const int n = pattern.getNBStep();
    std::string text = "; ABL3 Meta tag: " + std::to_string(n) + "\r\n";
    text += settingsLine(settings);
    for (int i = 0; i < n; ++i)
    {
        const Step& step = *pattern.getStepAnyIndex(i);
        const int note = noteOrRest(step.note());
        text += std::to_string(note > 0 ? note - kDefaultStepNote : 0) + " 0 0 ";
        text += step.accent() ? "1 " : "0 ";
        text += step.slide() ? "1 " : "0 ";
        text += note > 0 ? "1 " : "0 ";
        text += "\r\n";
    }
    return text;
}

} // namespace quelvar
