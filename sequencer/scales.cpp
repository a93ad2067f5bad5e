#include "sequencer/scales.h"

#include "sequencer/Step.h"

#include <algorithm>
#include <array>

namespace quelvar
{

namespace
{
// Bit i: the scale holds the semitone i above its key.
constexpr std::uint16_t maskOf(std::initializer_list<int> semitones)
{
    std::uint16_t mask = 0;
    for (const int s : semitones)
        mask = static_cast<std::uint16_t>(mask | 1u << s);
    return mask;
}

struct ScaleEntry
{
    const char* name;
    std::uint16_t mask;
};

constexpr std::array<ScaleEntry, kScales> kScaleTable = {{
    {"chromatic", maskOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
    {"major", maskOf({0, 2, 4, 5, 7, 9, 11})},
    {"natural minor", maskOf({0, 2, 3, 5, 7, 8, 10})},
    {"harmonic minor", maskOf({0, 2, 3, 5, 7, 8, 11})},
    {"dorian", maskOf({0, 2, 3, 5, 7, 9, 10})},
    {"phrygian", maskOf({0, 1, 3, 5, 7, 8, 10})},
    {"mixolydian", maskOf({0, 2, 4, 5, 7, 9, 10})},
    {"minor pentatonic", maskOf({0, 3, 5, 7, 10})},
    {"blues", maskOf({0, 3, 5, 6, 7, 10})},
    {"lydian", maskOf({0, 2, 4, 6, 7, 9, 11})},
    {"locrian", maskOf({0, 1, 3, 5, 6, 8, 10})},
    {"major pentatonic", maskOf({0, 2, 4, 7, 9})},
    {"phrygian dominant", maskOf({0, 1, 4, 5, 7, 8, 10})},
}};

const ScaleEntry& entryOf(Scale scale)
{
    const auto i = static_cast<std::size_t>(scale);
    return kScaleTable[i < kScaleTable.size() ? i : 0];
}
} // namespace

const char* scaleName(Scale scale)
{
    return entryOf(scale).name;
}

bool inScale(int note, int key, Scale scale)
{
    if (note < 1 || note > kMaxStepNote)
        return false;
    const int semitone = (pitchClassOf(note) - key % kKeys + kKeys) % kKeys;
    return (entryOf(scale).mask >> semitone & 1u) != 0;
}

int nearestInScale(int note, int key, Scale scale)
{
    note = std::clamp(note, 1, kMaxStepNote);
    for (int distance = 0; distance < kMaxStepNote; ++distance)
    {
        if (inScale(note - distance, key, scale))
            return note - distance;
        if (inScale(note + distance, key, scale))
            return note + distance;
    }
    return note;
}

} // namespace quelvar
