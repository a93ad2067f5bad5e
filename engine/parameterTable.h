// The parameter slots' names, labels and the display formats they share.
#pragma once

#include "io/parameterSlots.h"

#include <cstddef>

namespace quelvar
{

constexpr int kNumNamedParams = 26;
constexpr int kMaxParamNameLength = 16; // longest name plus terminator, rounded up

// Names of slots 0–25; slots 26–28 answer "invalid". The chain switch, which hosts list after
// them, has a name of its own.
extern const char* const kParamNames[kNumNamedParams];
constexpr const char* kChainPlayName = "Chain";
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
