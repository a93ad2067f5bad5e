// What the pattern file readers produce. The readers are pure (bytes or text in, a PatternImport
// out); the engine applies the result (engine/PalladonFiles.h). Any thread but the audio thread;
// allocates.
#pragma once

#include "io/parameterSlots.h"
#include "sequencer/Pattern.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvar
{

constexpr int kCurrentPatternIndex = -1;
// Names read from interchange files are cut to this many bytes.
constexpr std::size_t kImportedNameBytes = 24;

struct ParameterSetting
{
    int index;
    float value;
};

struct PatternImport
{
    // Applied in file order, also when no pattern follows.
    std::vector<ParameterSetting> settings;
    // None: the song stays as it was.
    std::optional<Pattern> pattern;
    // Steps whose note fell outside 0–60; each became a rest.
    int outOfRangeSteps = 0;
    // What the reader changed or left out, one plain sentence each, for the user to read.
    std::vector<std::string> notices;
};

// "1 step out of range was switched off", "2 steps out of range were switched off".
std::string stepsOutOfRangeNotice(int count);

// A note read from a file or chunk, or 0 (a rest) when it is outside 0–60, so that the voice
// never indexes its note table out of range.
inline int noteOrRest(long long note)
{
    return note >= 0 && note <= kMaxStepNote ? static_cast<int>(note) : 0;
}

// −1 (the current pattern) or a song slot.
bool isImportIndex(int index);

// The file name without its folder and extension. With `atFirstDot` the name ends at its first
// dot, else at its last. Empty when there is no extension, so the caller keeps its default.
std::string patternNameFromPath(std::string_view path, bool atFirstDot);

} // namespace quelvar
