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

// ABL3's note offset counts from note 25; each flag moves it an octave.
constexpr int kAbl3OffsetZero = kDefaultStepNote;
constexpr int kOctave = 12;

// The first three fields of a step line.
std::string abl3PitchFields(int note)
{
    if (note <= 0)
        return "0 0 0 ";
    // Other programs write offsets 0-12 and reach further octaves with the flags; their readers
    // may take nothing else. Notes below 13 need a negative offset even with the flag down.
    if (note < kAbl3OffsetZero)
        return std::to_string(note - (kAbl3OffsetZero - kOctave)) + " 1 0 ";
    if (note <= kAbl3OffsetZero + kOctave)
        return std::to_string(note - kAbl3OffsetZero) + " 0 0 ";
    return std::to_string(note - (kAbl3OffsetZero + kOctave)) + " 0 1 ";
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
        text += abl3PitchFields(note);
        text += step.accent() ? "1 " : "0 ";
        text += step.slide() ? "1 " : "0 ";
        text += note > 0 ? "1 " : "0 ";
        text += "\r\n";
    }
    return text;
}

} // namespace quelvar
