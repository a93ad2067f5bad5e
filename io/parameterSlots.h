// The parameter slots by index, as the engine numbers them: the 29 that the chunk, the pattern
// file and the shared block's parameter records keep in slot order, then the chain switch, which
// hosts automate like any slot and the state keeps in its chain section. Plain values, any
// thread.
#pragma once

#include <array>
#include <cmath>

namespace quelvar
{

constexpr int kStoredParams = 29;
constexpr int kNumParams = 30;

enum ParamIndex : int
{
    kVolume = 0,
    kWaveform = 1,
    kTuning = 2,
    kCutoff = 3,
    kResonance = 4,
    kEnvMod = 5,
    kDecay = 6,
    kAccent = 7,
    kGate = 8,
    kGroove = 9,
    kNbStep = 10,
    kPattSync = 11,
    kSlideTime = 12,
    kAntialias = 13,
    kTriggerPattern = 14,
    kDelayOn = 15,
    kDelaySync = 16,
    kDelayPing = 17,
    kDelayTime = 18,
    kDelayVolume = 19,
    kDelayFeedback = 20,
    kDelayFilter = 21,
    kDistOn = 22,
    kDistSelect = 23,
    kDistParam1 = 24,
    kDistParam2 = 25,
    kSyncType = 26,
    kTempo = 27,
    kStepRecord = 28,
    kChainPlay = 29,
};

// The stored slots' values, as the chunk and the pattern file keep them.
using ParameterSnapshot = std::array<float, kStoredParams>;

// The tempo slot's 0–1 spans the slowest to the fastest tempo, in whole beats per minute.
constexpr float kSlowestTempo = 40.0f;
constexpr float kFastestTempo = 300.0f;
constexpr float kTempoSpan = kFastestTempo - kSlowestTempo;

inline float tempoOfSlot(float v)
{
    return std::round(kTempoSpan * v + kSlowestTempo);
}

} // namespace quelvar
