// Lines in a key: a new line, a mutation of part of one, and every note fitted to the key. Free
// functions over a Pattern's visible steps, seeded, so one seed always gives the same line. Each
// is one edit, so the audio thread never plays half of it. Any thread; no allocation.
#pragma once

#include "sequencer/Pattern.h"
#include "sequencer/RandomSource.h"
#include "sequencer/scales.h"

#include <cstdint>

namespace quelvar
{

constexpr int kMinMutatePercent = 10;

// The key and scale lines are made in, and the shares Generate and Mutate draw with.
struct LineSettings
{
    std::uint8_t key = 0; // 0 C … 11 B
    Scale scale = Scale::naturalMinor;
    std::uint8_t mutatePercent = 25; // of the visible steps Mutate changes, 10–100
    std::uint8_t restPercent = 20;   // of the steps Generate leaves silent, 0–100
    std::uint8_t accentPercent = 25; // of the notes Generate accents, 0–100
    std::uint8_t slidePercent = 20;  // of the notes Generate slides from, 0–100

    bool operator==(const LineSettings&) const = default;
};

// Every field within its range; a scale this build does not know becomes the default one.
LineSettings heldInRange(LineSettings settings);

// Each visible step a rest, or a note of the scale (most often the key's root, within the octave
// above the root of the second octave, now and then an octave up or down), accented and sliding
// at the chosen shares. Rests neither accent nor slide.
void generateLine(Pattern& p, const LineSettings& settings, RandomSource& source);

// How many of `count` visible steps Mutate changes at `percent`: at least one of any steps.
int mutatedSteps(int count, int percent);
// Changes exactly mutatedSteps(length, mutatePercent) different visible steps, each for sure: a
// rest becomes a note of the scale; a note moves to another of the scale within a fifth, an
// octave toward the line's home octave, becomes a rest, or flips its accent or slide. Every note
// it writes is in the scale; the length stays.
void mutateLine(Pattern& p, const LineSettings& settings, RandomSource& source);

// Every visible note to the nearest note of the scale (nearestInScale); rests stay rests.
void fitToKey(Pattern& p, int key, Scale scale);

} // namespace quelvar
