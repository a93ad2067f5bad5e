#include "engine/controlPorts.h"

#include "engine/parameterTable.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr ScalePoint kWaveforms[] = {{"Saw", 0.0f}, {"Square", 1.0f}};
constexpr ScalePoint kPatternSyncModes[] = {
    {"free", 0.0f}, {"1 step", 1.0f}, {"4 step", 2.0f}, {"16 step", 3.0f}, {"AUTO", 4.0f}};
constexpr ScalePoint kDistortionTypes[] = {
    {"Overdrive", 0.0f}, {"ClipInferno", 1.0f}, {"HotFuzz", 2.0f}, {"Ultracrunch", 3.0f}};
constexpr ScalePoint kSyncModes[] = {{"Host", 0.0f}, {"Internal", 1.0f}, {"MIDI in", 2.0f}};

using S = PortScale;
using U = PortUnit;

// clang-format off
const ControlPort kPorts[] = {
    {kVolume, "volume", "Volume", S::unit, U::coefficient, 0, 1, {}, "Output gain."},
    {kWaveform, "waveform", "Waveform", S::onOff, U::none, 0, 1, kWaveforms, nullptr},
    {kTuning, "tuning", "Tuning", S::semitones, U::semitones, -12, 12, {}, nullptr},
    {kCutoff, "cutoff", "Cutoff", S::percent, U::percent, 0, 100, {}, nullptr},
    {kResonance, "resonance", "Resonance", S::unit, U::none, 0, 1, {}, nullptr},
    {kEnvMod, "env_mod", "Env Mod", S::percent, U::percent, 0, 100, {},
     "How far the envelope opens the filter."},
    {kDecay, "decay", "Decay", S::percent, U::percent, 0, 100, {}, nullptr},
    {kAccent, "accent", "Accent", S::percent, U::percent, 0, 100, {}, nullptr},
    {kGate, "gate", "Gate", S::unit, U::none, 0, 1, {},
     "When each note ends: 0 ends it two fifths of a step earlier than 0.5, 1 that much later."},
    {kGroove, "groove", "Groove", S::percent, U::percent, 0, 100, {},
     "Delays every second step, by up to three eighths of a step."},
    {kNbStep, "steps", "Steps", S::steps, U::none, 1, 64, {}, "Length of the current pattern."},
    {kPattSync, "pattern_sync", "Pattern Sync", S::quarters, U::none, 0, 4, kPatternSyncModes,
     "Where a newly chosen pattern starts while the sequencer runs: at once, on the next step, "
     "beat or bar, or when the playing pattern ends."},
    {kSlideTime, "slide_time", "Slide Time", S::unit, U::none, 0, 1, {}, nullptr},
    {kTriggerPattern, "pattern", "Pattern", S::pattern, U::none, 1, 32, {},
     "Chooses the pattern to play; while the sequencer runs it starts where Pattern Sync says. "
     "MIDI notes 0-31 choose patterns too."},
    {kDelayOn, "delay", "Delay", S::onOff, U::none, 0, 1, {}, nullptr},
    {kDelaySync, "delay_sync", "Delay Sync", S::onOff, U::none, 0, 1, {},
     "Delay time in note lengths of the tempo."},
    {kDelayPing, "delay_ping_pong", "Delay Ping-Pong", S::onOff, U::none, 0, 1, {}, nullptr},
    {kDelayTime, "delay_time", "Delay Time", S::unit, U::none, 0, 1, {},
     "With Delay Sync, eight note lengths across the range; without, up to two beats."},
    {kDelayVolume, "delay_volume", "Delay Volume", S::unit, U::coefficient, 0, 1, {}, nullptr},
    {kDelayFeedback, "delay_feedback", "Delay Feedback", S::percent, U::percent, 0, 100, {},
     nullptr},
    {kDelayFilter, "delay_filter", "Delay Filter", S::bipolarPercent, U::percent, -100, 100, {},
     "Below 0 a low-pass darkens the echoes, above 0 a high-pass thins them."},
    {kDistOn, "distortion", "Distortion", S::onOff, U::none, 0, 1, {}, nullptr},
    {kDistSelect, "distortion_type", "Distortion Type", S::quarters, U::none, 0, 3,
     kDistortionTypes, nullptr},
    {kDistParam1, "distortion_1", "Distortion 1", S::percent, U::percent, 0, 100, {},
     "The distortion type's first control (drive)."},
    {kDistParam2, "distortion_2", "Distortion 2", S::percent, U::percent, 0, 100, {},
     "The distortion type's second control."},
    {kSyncType, "sync_mode", "Sync Mode", S::syncMode, U::none, 0, 2, kSyncModes,
     "Host: the sequencer follows the host's transport. Internal: it runs at its own tempo, "
     "started from the panel. MIDI in: MIDI notes play the voice."},
    {kTempo, "tempo", "Tempo", S::tempo, U::bpm, kSlowestTempo, kFastestTempo, {},
     "Tempo of the internal sync."},
    {kStepRecord, "step_record", "Step Record", S::onOff, U::none, 0, 1, {},
     "Held MIDI keys are written into the steps as they play (host sync)."},
    {kChainPlay, "chain", "Chain", S::onOff, U::none, 0, 1, {},
     "Plays the chain of patterns, laid on the timeline from its start; choosing a pattern "
     "while it plays leaves it."},
};
// clang-format on
} // namespace

std::span<const ControlPort> controlPorts()
{
    return kPorts;
}

float toPortValue(const ControlPort& port, float v)
{
    switch (port.scale)
    {
    case S::unit:
        return v;
    case S::percent:
        return v * 100.0f;
    case S::bipolarPercent:
        return (2.0f * v - 1.0f) * 100.0f;
    case S::semitones:
        return (2.0f * v - 1.0f) * 12.0f;
    case S::onOff:
        return v >= 0.5f ? 1.0f : 0.0f;
    case S::quarters:
        return std::clamp(std::floor(v * 4.0f), port.minimum, port.maximum);
    case S::syncMode:
        return v < 0.33f ? 0.0f : (v < 0.66f ? 1.0f : 2.0f);
    case S::steps:
        return std::round(v * 63.0f) + 1.0f;
    case S::pattern:
        return std::clamp(std::floor(v * 32.0f) + 1.0f, port.minimum, port.maximum);
    case S::tempo:
        return tempoOfSlot(v);
    }
    return v;
}

float toSlotValue(const ControlPort& port, float x)
{
    x = std::isnan(x) ? port.minimum : std::clamp(x, port.minimum, port.maximum);
    switch (port.scale)
    {
    case S::unit:
        return x;
    case S::percent:
        return x / 100.0f;
    case S::bipolarPercent:
        return (x / 100.0f + 1.0f) / 2.0f;
    case S::semitones:
        return (x / 12.0f + 1.0f) / 2.0f;
    case S::onOff:
        return x >= 0.5f ? 1.0f : 0.0f;
    case S::quarters:
        return std::round(x) / 4.0f;
    case S::syncMode:
        return std::round(x) / 2.0f;
    case S::steps:
        return (std::round(x) - 1.0f) / 63.0f;
    case S::pattern:
        return (std::round(x) - 1.0f) / 32.0f;
    case S::tempo:
        return (std::round(x) - kSlowestTempo) / kTempoSpan;
    }
    return x;
}

const ControlPort* controlPortOf(int slot)
{
    for (const ControlPort& port : kPorts)
        if (port.slot == slot)
            return &port;
    return nullptr;
}

bool isInteger(const ControlPort& port)
{
    return !port.points.empty() || port.scale == S::steps || port.scale == S::pattern ||
           port.scale == S::tempo;
}

bool isToggled(const ControlPort& port)
{
    return port.scale == S::onOff && port.points.empty();
}

int stepCount(const ControlPort& port)
{
    return isInteger(port) || isToggled(port) ? static_cast<int>(port.maximum - port.minimum) : 0;
}

} // namespace quelvar
