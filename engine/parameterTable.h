// The 29 parameter slots: indices, names, labels and the display formats they share.
#pragma once

#include <cstddef>

namespace quelvar
{

constexpr int kNumParams = 29;
constexpr int kNumNamedParams = 26;
constexpr int kMaxParamNameLength = 16; // longest name plus terminator, rounded up

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
};

// Names of slots 0–25; slots from 26 on answer "invalid".
extern const char* const kParamNames[kNumNamedParams];
// Labels of slots 0–9; every slot from 10 on has the label " ".
extern const char* const kParamLabels[10];

// Display texts. Each writes a NUL-terminated text of at most 8 characters into `text`.
void formatInteger(int value, char* text);
// Integer digits, a point and fractional digits up to 8 characters in all.
void formatDecimal(double value, char* text);
// "-oo" at or below 0, else 20 log10(value) as a decimal.
void formatDecibels(double value, char* text);
// A count of samples shown in milliseconds at the given rate.
void formatMilliseconds(double samples, double sampleRate, char* text);
void formatOnOff(bool on, char* text);
void copyText(const char* source, char* text, std::size_t capacity);

} // namespace quelvar
