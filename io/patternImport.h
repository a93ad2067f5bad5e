// What the pattern file readers produce, and how it reaches the engine. The readers are pure
// (bytes or text in, a PatternImport out); applying runs on the caller's thread, never the
// audio thread, and allocates.
#pragma once

#include "sequencer/Pattern.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvar
{

class Palladon;

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
};

// A note read from a file or chunk, or 0 (a rest) when it is outside 0–60, so that the voice
// never indexes its note table out of range.
inline int noteOrRest(long long note)
{
    return note >= 0 && note <= kMaxStepNote ? static_cast<int>(note) : 0;
}

// −1 (the current pattern) or a song slot.
bool isImportIndex(int index);

void applySettings(Palladon& engine, const std::vector<ParameterSetting>& settings);

// Copies the pattern into slot `index`, or into the current slot for −1 or the current index,
// then refreshes the sequencer, the editor and the host.
void installPattern(Palladon& engine, const Pattern& pattern, int index);

// What an interchange importer does with its parse: applies the settings, reports each step that
// became a rest under the importer's name `reader`, and installs the pattern, renamed to `name`
// unless that is empty. False, after the settings, when no pattern was read.
bool applyImport(Palladon& engine, const PatternImport& parsed, int index, const char* reader,
                 std::string_view name);

// The file name without its folder and extension. With `atFirstDot` the name ends at its first
// dot, else at its last. Empty when there is no extension, so the caller keeps its default.
std::string patternNameFromPath(std::string_view path, bool atFirstDot);

} // namespace quelvar
