#include "engine/factoryPatterns.h"

#include "engine/parameterTable.h"
#include "sequencer/noteNames.h"

#include <sstream>

namespace quelvar
{

namespace
{

struct Sound
{
    constexpr Sound(int bpm, bool square, float cutoff, float resonance, float envMod, float decay,
                    float accent)
        : bpm(bpm), square(square), cutoff(cutoff), resonance(resonance), envMod(envMod),
          decay(decay), accent(accent)
    {
    }
    constexpr Sound swing(float amount) const
    {
        Sound s = *this;
        s.groove = amount;
        return s;
    }
    // type 0 overdrive, 1 clipper, 2 valve, 3 cruncher
    constexpr Sound dist(int type, float driveAmount, float second) const
    {
        Sound s = *this;
        s.distortion = type;
        s.drive = driveAmount;
        s.distortion2 = second;
        return s;
    }
    constexpr Sound echo(bool pingPongOn, float volume, float feedbackAmount) const
    {
        Sound s = *this;
        s.delay = true;
        s.pingPong = pingPongOn;
        s.delayVolume = volume;
        s.feedback = feedbackAmount;
        return s;
    }

    int bpm;
    bool square;
    float cutoff;
    float resonance;
    float envMod;
    float decay;
    float accent;
    float groove = 0.0f;
    int distortion = -1; // off
    float drive = 0.3f;
    float distortion2 = 0.5f;
    bool delay = false;
    bool pingPong = false;
    float delayTime = 0.5f;
    float delayVolume = 0.25f;
    float feedback = 0.35f;
};

struct Line
{
    const char* name;
    // One token a step: a note name with an octave 0-4 ("C1", "F#0"), or "-" for a rest;
    // "^" accents it, "~" slides it into the next step.
    const char* steps;
    Sound sound;
};

// clang-format off
const Line kLines[] = {
    {"Sour Rain", "A0 A1^ A0 A0~ C1 A0 G0 A0^~ A1 A0 - A0 D#1^ A0 C1~ D1",
     Sound(128, false, 0.18f, 0.9f, 0.5f, 0.45f, 0.85f)},
    {"Rubber Duck", "C1^ C1 C2~ C1 - C1 A#0^ C1 D#1~ F1 C1 - G1^~ G#1 C1 C1",
     Sound(132, true, 0.14f, 0.8f, 0.55f, 0.4f, 0.9f)},
    {"Night Bus", "E0^ E0 E1 E0~ G0 E0 - E0^ D1~ E1 B0 E0 - G0~ A0^ B0",
     Sound(124, false, 0.22f, 0.75f, 0.35f, 0.6f, 0.7f).echo(false, 0.22f, 0.4f)},
    {"Mud Pump", "F0^ - F0 F1~ F0 - G#0 F0^ - F0 C1~ D#1 F0 - F1^~ F0",
     Sound(135, true, 0.1f, 0.95f, 0.6f, 0.35f, 1.0f).dist(0, 0.45f, 0.7f)},
    {"Chrome Lizard", "D1^ D1 D2~ D1 F1 D1^ - D1 C2~ D1 A0^ D1 - D1 F1~ G1",
     Sound(138, false, 0.16f, 0.9f, 0.5f, 0.3f, 0.9f).dist(1, 0.5f, 0.4f)},
    {"Slow Melt", "G0^~ G1 G0 - A#0 G0 D1^~ C1 G0 - F1 G0^ - G0 A#0~ C1",
     Sound(118, false, 0.25f, 0.85f, 0.3f, 0.75f, 0.6f).swing(0.2f).echo(true, 0.3f, 0.5f)},
    {"Wire Tap", "B0 B0 B1^ B0 - D1~ E1 B0^ - B0 A1 B0 - F#1^~ G1 B0",
     Sound(130, true, 0.2f, 0.7f, 0.45f, 0.5f, 0.75f)},
    {"Cellar Door", "C0^ C0 C1~ C1 D#0 C0 G0^ C0 - C0 A#0~ C1 C0^ - F0 G0",
     Sound(126, false, 0.12f, 0.88f, 0.65f, 0.55f, 0.8f).swing(0.1f)},
    {"Vinegar", "A0^ A0 A0 A1~ A0 C1^ A0 A0 E1~ D#1 A0^ A0 G1~ A1 A0 C1",
     Sound(140, false, 0.18f, 0.92f, 0.55f, 0.3f, 0.95f).dist(3, 0.4f, 0.45f)},
    {"Tape Loop", "D1^ - D1 F1~ G1 D1 - C2^~ D2 D1 A#0 C1",
     Sound(122, true, 0.24f, 0.8f, 0.4f, 0.6f, 0.7f).echo(false, 0.25f, 0.45f)},
    {"Static Bloom",
     "E1^ E1 - E1 G1~ A1 E1 - E1^ B1~ C2 E1 - D1 E1~ G1 "
     "E1^ E1 - E1 G1~ A1 E1 - E2^~ D2 B1~ A1 G1^ - E1 D1~",
     Sound(128, false, 0.15f, 0.9f, 0.5f, 0.4f, 0.85f).dist(2, 0.35f, 0.5f)},
    {"Hot Wire", "F#0^ F#0 F#1 - F#0 A0~ B0 F#0^ - C#1 F#0 E1^~ F#1 - F#0 A0",
     Sound(136, true, 0.12f, 0.95f, 0.6f, 0.35f, 1.0f).dist(0, 0.7f, 0.8f)},
    {"Low Tide", "G0^ - - G0~ A#0 - G0 - D1^~ C1 - G0 - F0~ G0 -",
     Sound(120, false, 0.3f, 0.7f, 0.35f, 0.8f, 0.6f).swing(0.15f).echo(true, 0.35f, 0.55f)},
    {"Glass Eel", "C#1^ C#1 C#2~ B1 G#1 C#1 - C#1^ E1~ F#1 C#1 - B0^ C#1 G#1~ A1",
     Sound(134, false, 0.2f, 0.93f, 0.45f, 0.35f, 0.9f)},
    {"Copper Snake", "A#0^ A#0 - A#1~ A#0 C#1 A#0^ - F1~ D#1 A#0 - G#1^~ A#1 A#0 C#1",
     Sound(127, true, 0.17f, 0.85f, 0.5f, 0.45f, 0.85f).dist(1, 0.35f, 0.55f)},
    {"Late Shift",
     "D0^ D0 D1~ D0 F0 D0 - D0^ A0~ C1 D0 - D1 D0^ C1~ A0 "
     "D0^ D0 D1~ D0 F0 D0 - D0^ D1~ F1 G1^ F1~ D1 C1 A0^~ G0",
     Sound(132, false, 0.14f, 0.9f, 0.55f, 0.4f, 0.9f).dist(0, 0.3f, 0.6f)},
    {"Plastic Sun", "C1^ - C1 D#1 G1~ C2 - C1 A#1^~ G1 - C1 D#1^ - F1~ G1",
     Sound(125, true, 0.22f, 0.8f, 0.4f, 0.55f, 0.75f).swing(0.1f).echo(true, 0.28f, 0.4f)},
    {"Bent Spoon", "E0^ E1~ E0 E0 G0^ E0 A#0~ A0 E0 - E0^ E1 D1~ E1 B0 G0",
     Sound(137, false, 0.11f, 0.97f, 0.65f, 0.3f, 1.0f).dist(3, 0.55f, 0.35f)},
};
// clang-format on

// The step's note: 1 + 12 x octave + semitone; 0 for a rest.
void parseStep(const std::string& token, Step& step)
{
    std::string body = token;
    bool accent = false;
    bool slide = false;
    while (!body.empty() && (body.back() == '^' || body.back() == '~'))
    {
        (body.back() == '^' ? accent : slide) = true;
        body.pop_back();
    }
    int note = 0;
    if (body != "-" && body.size() >= 2)
    {
        const std::string name = body.substr(0, body.size() - 1);
        const int octave = body.back() - '0';
        for (int s = 0; s < 12; ++s)
        {
            if (name == kNoteNames[s])
                note = 1 + 12 * octave + s;
        }
    }
    step.setNote(note);
    step.setSlide(slide);
    step.setAccent(accent);
}

ParameterSnapshot parametersOf(const Sound& s, int steps)
{
    ParameterSnapshot p{};
    p[kVolume] = 0.8f;
    p[kWaveform] = s.square ? 1.0f : 0.0f;
    p[kTuning] = 0.5f;
    p[kCutoff] = s.cutoff;
    p[kResonance] = s.resonance;
    p[kEnvMod] = s.envMod;
    p[kDecay] = s.decay;
    p[kAccent] = s.accent;
    p[kGate] = 0.5f;
    p[kGroove] = s.groove;
    p[kNbStep] = static_cast<float>(steps - 1) / 63.0f;
    p[kPattSync] = 1.0f;
    p[kSlideTime] = 0.0f;
    p[kAntialias] = 1.0f;
    p[kTriggerPattern] = 0.0f;
    p[kDelayOn] = s.delay ? 1.0f : 0.0f;
    p[kDelaySync] = 1.0f;
    p[kDelayPing] = s.pingPong ? 1.0f : 0.0f;
    p[kDelayTime] = s.delayTime;
    p[kDelayVolume] = s.delayVolume;
    p[kDelayFeedback] = s.feedback;
    p[kDelayFilter] = 0.5f;
    p[kDistOn] = s.distortion >= 0 ? 1.0f : 0.0f;
    p[kDistSelect] = s.distortion >= 0 ? 0.25f * static_cast<float>(s.distortion) : 0.0f;
    p[kDistParam1] = s.drive;
    p[kDistParam2] = s.distortion2;
    p[kSyncType] = 0.5f; // made in internal sync
    p[kTempo] = (static_cast<float>(s.bpm) - kSlowestTempo) / kTempoSpan;
    p[kStepRecord] = 0.0f;
    return p;
}

} // namespace

std::vector<FactoryPattern> factoryPatterns()
{
    std::vector<FactoryPattern> patterns;
    for (const Line& line : kLines)
    {
        std::istringstream tokens(line.steps);
        std::vector<std::string> steps;
        for (std::string t; tokens >> t;)
            steps.push_back(t);
        Pattern pattern(static_cast<int>(steps.size()));
        for (std::size_t i = 0; i < steps.size(); ++i)
            parseStep(steps[i], *pattern.getStepAnyIndex(static_cast<int>(i)));
        pattern.setName(line.name);
        patterns.push_back(
            {line.name, pattern, parametersOf(line.sound, static_cast<int>(steps.size()))});
    }
    return patterns;
}

} // namespace quelvar
