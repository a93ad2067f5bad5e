// Keys and scales that lines are made in: which step notes a scale holds in a key, and the note
// of the scale nearest to another. Pure functions; any thread; no allocation.
#pragma once

#include <cstdint>

namespace quelvar
{

constexpr int kKeys = 12; // C, C#, … B, as kNoteNames spells them

// Stored with the state and sent over the editor bridge by number: new scales go last.
enum class Scale : std::uint8_t
{
    chromatic,
    major,
    naturalMinor,
    harmonicMinor,
    dorian,
    phrygian,
    mixolydian,
    minorPentatonic,
    blues,
    lydian,
    locrian,
    majorPentatonic,
    phrygianDominant
};
constexpr int kScales = 13;

// The panel's and the manual's names, lower case ("minor pentatonic").
const char* scaleName(Scale scale);

// Step note 1 is C (MIDI 36); a rest (0) has no pitch class and is in no scale.
constexpr int pitchClassOf(int note)
{
    return (note + 11) % 12;
}

// `note` 1–60 is one of the scale's in `key` (0–11).
bool inScale(int note, int key, Scale scale);
// The note of the scale within 1–60 nearest to `note` (held to 1–60 first). Of two at the same
// distance, the lower: a note between two of the scale falls to the one below, as a line that
// leaves the key most often resolves downward.
int nearestInScale(int note, int key, Scale scale);

} // namespace quelvar
